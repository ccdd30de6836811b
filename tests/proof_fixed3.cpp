// Proves the "%0.3f" formatter equal to the C library's on every f32 bit pattern but NaNs
// (written "nan" whatever their sign). Minutes of work: CTest runs it only with -C Exhaustive.
#include "core/numbers.h"

#include <QByteArray>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

std::atomic<quint64> mismatches{0};

void checkRange(quint64 first, quint64 last)
{
    QByteArray ours;
    char theirs[128];
    for (quint64 bits = first; bits < last; ++bits) {
        const float value = std::bit_cast<float>(quint32(bits));
        if (std::isnan(value))
            continue;
        ours.clear();
        qor::appendFixed3(ours, value);
        const int length = std::snprintf(theirs, sizeof theirs, "%0.3f", double(value));
        if (ours.size() != length || std::memcmp(ours.constData(), theirs, size_t(length)) != 0) {
            if (mismatches++ < 10)
                std::fprintf(stderr, "0x%08llx: %s, printf %s\n", bits, ours.constData(), theirs);
        }
    }
}

} // namespace

int main()
{
    const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
    const quint64 all = quint64(1) << 32;
    std::vector<std::thread> threads;
    for (unsigned n = 0; n < workers; ++n)
        threads.emplace_back(checkRange, all * n / workers, all * (n + 1) / workers);
    for (std::thread &thread : threads)
        thread.join();
    std::printf("%llu of 2^32 bit patterns differ from printf\n", static_cast<unsigned long long>(mismatches.load()));
    return mismatches == 0 ? 0 : 1;
}
