// Proves the "%0.3f" formatter equal to the C library's on f32 bit patterns but NaNs (written
// "nan" whatever their sign): every one of them with no argument (minutes; CTest runs it only
// with -C Exhaustive), or every STRIDE-th with one (the suite's sample, seconds).
#include "core/format/numbers.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<std::uint64_t> mismatches{0};
std::atomic<std::uint64_t> checked{0};

void checkRange(std::uint64_t first, std::uint64_t last, std::uint64_t stride)
{
    std::string ours;
    char theirs[128];
    std::uint64_t count = 0;
    for (std::uint64_t bits = first; bits < last; bits += stride) {
        const float value = std::bit_cast<float>(std::uint32_t(bits));
        if (std::isnan(value))
            continue;
        ++count;
        ours.clear();
        qor::appendFixed3(ours, value);
        const int length = std::snprintf(theirs, sizeof theirs, "%0.3f", double(value));
        if (ours.size() != std::size_t(length) || std::memcmp(ours.data(), theirs, std::size_t(length)) != 0) {
            if (mismatches++ < 10)
                std::fprintf(stderr, "0x%08llx: %s, printf %s\n", static_cast<unsigned long long>(bits), ours.c_str(), theirs);
        }
    }
    checked += count;
}

} // namespace

int main(int argc, char **argv)
{
    const std::uint64_t stride = argc > 1 ? std::max(1ull, std::strtoull(argv[1], nullptr, 10)) : 1;
    const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
    const std::uint64_t all = std::uint64_t(1) << 32;
    std::vector<std::thread> threads;
    for (unsigned n = 0; n < workers; ++n) {
        // Each range starts on the stride, so the sample is the same for any number of workers.
        const std::uint64_t first = (all * n / workers + stride - 1) / stride * stride;
        threads.emplace_back(checkRange, first, all * (n + 1) / workers, stride);
    }
    for (std::thread &thread : threads)
        thread.join();
    std::printf("%llu of %llu bit patterns differ from printf\n", static_cast<unsigned long long>(mismatches.load()),
                static_cast<unsigned long long>(checked.load()));
    return mismatches == 0 ? 0 : 1;
}
