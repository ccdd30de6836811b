#include "core/numbers.h"

#include <QString>

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace qor {

void appendFixed3(QByteArray &out, float value)
{
    if (std::isnan(value)) {
        out.append("nan");
        return;
    }
    // Fixed notation of FLT_MAX has 39 integer digits; 64 bytes hold any f32 with sign.
    std::array<char, 64> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      double(value), std::chars_format::fixed, 3);
    out.append(buffer.data(), result.ptr - buffer.data());
}

namespace {

// The trimmed text as ASCII, or empty when it holds anything else (no number does).
std::string asciiNumberText(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    std::string ascii;
    ascii.reserve(size_t(trimmed.size()));
    for (const QChar c : trimmed) {
        if (c.unicode() > 0x7F)
            return {};
        ascii.push_back(char(c.unicode()));
    }
    return ascii;
}

// from_chars takes no plus sign; the text form allows one.
const char *skipPlusSign(const std::string &number)
{
    const char *begin = number.data();
    if (number.size() > 1 && begin[0] == '+' && begin[1] != '-')
        ++begin;
    return begin;
}

} // namespace

qint32 parseInteger(QStringView text)
{
    const std::string number = asciiNumberText(text);
    const char *end = number.data() + number.size();
    qint32 value = 0;
    const auto result = std::from_chars(skipPlusSign(number), end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return 0;
    return value;
}

float parseDecimal(QStringView text)
{
    const std::string number = asciiNumberText(text);
    const char *end = number.data() + number.size();
    float value = 0.0f;
    const auto result = std::from_chars(skipPlusSign(number), end, value,
                                        std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end)
        return 0.0f;
    return value;
}

} // namespace qor
