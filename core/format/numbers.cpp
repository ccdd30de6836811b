#include "core/format/numbers.h"

#include "core/format/bytes.h"
#include "core/format/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>

namespace qor {

namespace {

// The general case, for magnitudes of 2^64 and above where the integer path has no room.
char *writeLargeFixed3(char *out, float value)
{
#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 140000
    // Older libc++ (the WebAssembly build's) has no floating-point to_chars; its printf, in
    // the C locale there is, writes the same digits.
    return out + std::snprintf(out, maxFixed3Length, "%.3f", double(value));
#else
    return std::to_chars(out, out + maxFixed3Length, double(value), std::chars_format::fixed, 3).ptr;
#endif
}

// |value| x 1000 rounded half to even, for a value below 2^24 given as mantissa x 2^-shift.
std::uint64_t roundedThousandths(std::uint32_t mantissa, int shift)
{
    // mantissa x 1000 < 2^34, so from a shift of 35 on the product is below one half.
    if (shift > 40)
        return 0;
    const std::uint64_t scaled = std::uint64_t(mantissa) * 1000;
    std::uint64_t quotient = scaled >> shift;
    const std::uint64_t remainder = scaled & ((std::uint64_t(1) << shift) - 1);
    const std::uint64_t half = std::uint64_t(1) << (shift - 1);
    if (remainder > half || (remainder == half && (quotient & 1)))
        ++quotient;
    return quotient;
}

// `thousandths` / 1000 with three decimals: the whole part's digits are counted first so
// that both parts are written in place, two digits at a time.
char *writeThousandths(char *out, std::uint64_t thousandths)
{
    static constexpr char pairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                    "8081828384858687888990919293949596979899";
    std::uint64_t whole = thousandths / 1000;
    const auto fraction = unsigned(thousandths % 1000);
    int digits = 1;
    for (std::uint64_t power = 10; digits < 20 && whole >= power; power *= 10)
        ++digits;
    char *const point = out + digits;
    char *at = point;
    while (whole >= 10) {
        at -= 2;
        std::memcpy(at, pairs + 2 * (whole % 100), 2);
        whole /= 100;
    }
    if (at != out)
        *--at = char('0' + whole);
    point[0] = '.';
    point[1] = char('0' + fraction / 100);
    std::memcpy(point + 2, pairs + 2 * (fraction % 100), 2);
    return point + 4;
}

char *writeLiteral(char *out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

} // namespace

char *writeFixed3(char *out, float value)
{
    const std::uint32_t bits = wordOf(value);
    const bool negative = bits >> 31;
    const int biased = int((bits >> 23) & 0xFF);
    std::uint32_t mantissa = bits & 0x7FFFFF;
    if (biased == 0xFF)
        return writeLiteral(out, mantissa ? "nan" : negative ? "-inf" : "inf");
    int exponent = -149; // value = mantissa x 2^exponent
    if (biased != 0) {
        mantissa |= 0x800000;
        exponent = biased - 150;
    }
    if (exponent > 40)
        return writeLargeFixed3(out, value);
    if (negative)
        *out++ = '-';
    if (exponent >= 0) {
        out = std::to_chars(out, out + 24, std::uint64_t(mantissa) << exponent).ptr;
        return writeLiteral(out, ".000");
    }
    return writeThousandths(out, roundedThousandths(mantissa, -exponent));
}

void appendFixed3(std::string &out, float value)
{
    char text[maxFixed3Length];
    out.append(text, size_t(writeFixed3(text, value) - text));
}

char *writeFrameRate(char *out, float value)
{
    char *const start = out;
    char *end = writeFixed3(out, value);
    if (std::find(start, end, '.') == end)
        return end;
    while (end[-1] == '0')
        --end;
    return end[-1] == '.' ? end - 1 : end;
}

namespace {

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
    std::uint32_t digits = 0;
    int count = 0;
    int decimals = -1;
    for (const char c : number) {
        if (c == '.' && decimals < 0) {
            decimals = 0;
        } else if (c >= '0' && c <= '9' && count < 7) {
            digits = digits * 10 + std::uint32_t(c - '0');
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

} // namespace

template <class Number>
std::optional<Number> wholeNumber(std::string_view number)
{
    static_assert(std::is_same_v<Number, float> || std::is_same_v<Number, double>);
    Number value = 0;
#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 200000
    // Older libc++ (the WebAssembly build's) has no floating-point from_chars; strtof and strtod
    // in the C locale read the same notation, once what they read beyond from_chars is ruled out.
    if (number.empty() || number.size() > 4096 || number.front() == '+'
        || number.find_first_of("xXpP \t\n\v\f\r") != std::string_view::npos)
        return std::nullopt;
    const std::string copy(number);
    char *end = nullptr;
    errno = 0;
    if constexpr (std::is_same_v<Number, float>)
        value = std::strtof(copy.c_str(), &end);
    else
        value = std::strtod(copy.c_str(), &end);
    const bool underflow = errno == ERANGE && std::abs(value) <= Number(1);
    if (end != copy.c_str() + copy.size() || (errno == ERANGE && !underflow))
        return std::nullopt;
#else
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size())
        return std::nullopt;
#endif
    return value;
}

template std::optional<float> wholeNumber<float>(std::string_view);
template std::optional<double> wholeNumber<double>(std::string_view);

std::optional<float> readDecimal(std::string_view text)
{
    // Beyond ASCII, Unicode's spaces count too; such a text can only be a number once they are gone.
    std::string_view number = trimmed(trimAsciiSpace(text));
    number = skipPlusSign(number);
    if (const auto plain = parsePlainDecimal(number))
        return *plain;
    return wholeNumber<float>(number);
}

float parseDecimal(std::string_view text)
{
    return readDecimal(text).value_or(0.0f);
}

int decimalPlaces(std::string_view text)
{
    const size_t point = text.find('.');
    if (point == std::string_view::npos)
        return 0;
    size_t end = point + 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9')
        ++end;
    return int(end - point - 1);
}

} // namespace qor
