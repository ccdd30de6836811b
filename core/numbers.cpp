#include "core/numbers.h"

#include <QString>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <optional>
#include <string>

namespace qor {

namespace {

void appendDecimalDigits(QByteArray &out, quint64 value)
{
    std::array<char, 24> digits;
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(digits.data(), end - digits.data());
}

// The general case, for magnitudes of 2^64 and above where the integer path has no room.
void appendLargeFixed3(QByteArray &out, float value)
{
    // Fixed notation of FLT_MAX has 39 integer digits; 64 bytes hold any f32 with sign.
    std::array<char, 64> buffer;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), double(value),
                                      std::chars_format::fixed, 3);
    out.append(buffer.data(), result.ptr - buffer.data());
}

// |value| x 1000 rounded half to even, for a value below 2^24 given as mantissa x 2^-shift.
quint64 roundedThousandths(quint32 mantissa, int shift)
{
    // mantissa x 1000 < 2^34, so from a shift of 35 on the product is below one half.
    if (shift > 40)
        return 0;
    const quint64 scaled = quint64(mantissa) * 1000;
    quint64 quotient = scaled >> shift;
    const quint64 remainder = scaled & ((quint64(1) << shift) - 1);
    const quint64 half = quint64(1) << (shift - 1);
    if (remainder > half || (remainder == half && (quotient & 1)))
        ++quotient;
    return quotient;
}

} // namespace

void appendFixed3(QByteArray &out, float value)
{
    const quint32 bits = std::bit_cast<quint32>(value);
    const bool negative = bits >> 31;
    const int biased = int((bits >> 23) & 0xFF);
    quint32 mantissa = bits & 0x7FFFFF;
    if (biased == 0xFF) {
        out.append(mantissa ? "nan" : negative ? "-inf" : "inf");
        return;
    }
    int exponent = -149; // value = mantissa x 2^exponent
    if (biased != 0) {
        mantissa |= 0x800000;
        exponent = biased - 150;
    }
    if (exponent > 40) {
        appendLargeFixed3(out, value);
        return;
    }
    if (negative)
        out.append('-');
    if (exponent >= 0) {
        appendDecimalDigits(out, quint64(mantissa) << exponent);
        out.append(".000");
        return;
    }
    const quint64 thousandths = roundedThousandths(mantissa, -exponent);
    appendDecimalDigits(out, thousandths / 1000);
    const auto fraction = unsigned(thousandths % 1000);
    const char decimals[4] = {'.', char('0' + fraction / 100), char('0' + fraction / 10 % 10), char('0' + fraction % 10)};
    out.append(decimals, 4);
}

void appendFrameRate(QByteArray &out, float value)
{
    const qsizetype start = out.size();
    appendFixed3(out, value);
    if (out.indexOf('.', start) < 0)
        return;
    while (out.endsWith('0'))
        out.chop(1);
    if (out.endsWith('.'))
        out.chop(1);
}

namespace {

bool isAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view trimAsciiSpace(std::string_view text)
{
    while (!text.empty() && isAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// from_chars takes no plus sign; the text form allows one.
std::string_view skipPlusSign(std::string_view number)
{
    if (number.size() > 1 && number[0] == '+' && number[1] != '-')
        number.remove_prefix(1);
    return number;
}

// "-ddd.ddd" with at most seven digits: both parts are exact floats, so one division rounds
// the decimal exactly as from_chars does. Nothing for any other form.
std::optional<float> parsePlainDecimal(std::string_view number)
{
    static constexpr float powersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f};
    const bool negative = !number.empty() && number.front() == '-';
    if (negative)
        number.remove_prefix(1);
    quint32 digits = 0;
    int count = 0;
    int decimals = -1;
    for (const char c : number) {
        if (c == '.' && decimals < 0) {
            decimals = 0;
        } else if (c >= '0' && c <= '9' && count < 7) {
            digits = digits * 10 + quint32(c - '0');
            ++count;
            decimals += decimals >= 0;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0)
        return std::nullopt;
    const float value = float(digits) / powersOfTen[std::max(decimals, 0)];
    return negative ? -value : value;
}

// Trims what QString::trimmed counts as space beyond ASCII; such a text can only be a
// number once that is gone.
std::string unicodeTrimmed(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed().toStdString();
}

} // namespace

float parseDecimal(std::string_view text)
{
    std::string_view number = trimAsciiSpace(text);
    std::string trimmed;
    if (!number.empty() && ((number.front() & 0x80) || (number.back() & 0x80))) {
        trimmed = unicodeTrimmed(number);
        number = trimmed;
    }
    number = skipPlusSign(number);
    if (const auto plain = parsePlainDecimal(number))
        return *plain;
    float value = 0.0f;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                        std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size())
        return 0.0f;
    return value;
}

} // namespace qor
