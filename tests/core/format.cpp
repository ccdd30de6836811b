#include "checks.h"

#include "core/files/outputname.h"
#include "core/format/logsink.h"
#include "core/format/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <string_view>

// The small text rules: log lines, numbers and output names.
namespace {

std::string format(const char *pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    std::string text = qor::formatLogText(pattern, args);
    va_end(args);
    return text;
}

std::string fixed3(float value)
{
    std::string out;
    qor::appendFixed3(out, value);
    return out;
}

std::string printfFixed3(float value)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%0.3f", double(value));
    return buffer;
}

constexpr float inf = std::numeric_limits<float>::infinity();

struct NumberText {
    std::string_view name;
    float value;
    std::string text;
};

} // namespace

TEST_CASE("a log line is the text printf writes, as UTF-8, cut at 1023 bytes or a zero byte")
{
    struct Row {
        std::string_view name;
        std::string actual;
        std::string expected;
    };
    const Row rows[] = {
        {"%d %i %u", format("Read %d %i %u", 107, -12, 4294967295u), "Read 107 -12 4294967295"},
        {"%x %X", format("%x %X", 0xdeadfed4u, 0xdeadfed4u), "deadfed4 DEADFED4"},
        {"flags, width", format("[%-5d|%05d|%+d|%#x]", 42, 42, 42, 255u), "[42   |00042|+42|0xff]"},
        {"%s precision, %c", format("%.3s|%6s|%c", "abcdef", "ab", 'k'), "abc|    ab|k"},
        {"Latin-1 bytes", format("%s", "\xE9\x80\xFF"), "\xC3\xA9\xC2\x80\xC3\xBF"},
        {"cut at a zero byte", format("a%cb", 0), "a"},
        {"cut at 1023", format("%s", std::string(1500, 'x').c_str()), std::string(1023, 'x')},
        {"1023 kept", format("%s", std::string(1023, 'y').c_str()), std::string(1023, 'y')},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        CHECK(row.actual == row.expected);
    }
}

TEST_CASE("a value is written with three decimals as printf's %0.3f writes it")
{
    const NumberText rows[] = {
        {"tie to even", 0.0625f, "0.062"},
        {"nearest 0.1", 0.1f, "0.100"},
        {"small negative", -0.0001f, "-0.000"},
        {"negative zero", -0.0f, "-0.000"},
        {"nan", -std::numeric_limits<float>::quiet_NaN(), "nan"},
        {"-inf", -inf, "-inf"},
        {"largest", std::numeric_limits<float>::max(), "340282346638528859811704183484516925440.000"},
    };
    for (const NumberText &row : rows) {
        CAPTURE(row.name);
        CHECK(fixed3(row.value) == row.text);
    }
}

TEST_CASE("a frame rate is written without the zeros that end its decimals")
{
    const NumberText rows[] = {
        {"whole", 12.0f, "12"},
        {"half", 10.5f, "10.5"},
        {"quarter", 12.25f, "12.25"},
        {"negative", -5.0f, "-5"},
        {"rounded to zero", 0.0001f, "0"},
        {"nan", std::numeric_limits<float>::quiet_NaN(), "nan"},
        {"-inf", -inf, "-inf"},
    };
    for (const NumberText &row : rows) {
        CAPTURE(row.name);
        char out[qor::maxFixed3Length];
        CHECK(std::string(out, qor::writeFrameRate(out, row.value)) == row.text);
    }
}

TEST_CASE("three decimals equal printf's on random bits and on values with few integer digits")
{
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> small(-200000, 199999);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    for (int n = 0; n < 400000; ++n) {
        // Every other value has few integer digits, where rounding at the third decimal matters.
        const float value = n % 2 ? qor::floatOf(std::uint32_t(random()))
                                  : float(small(random)) / 1024.0f + float(fraction(random));
        if (!std::isnan(value) && fixed3(value) != printfFixed3(value))
            FAIL(fixed3(value) << " is not printf's " << printfFixed3(value) << " for the bits " << qor::wordOf(value));
    }
}

TEST_CASE("a number text reads as its nearest float, or 0 when it is no number within the float range")
{
    const struct {
        std::string_view name;
        std::string text;
        float decimal;
    } rows[] = {
        {"blanks around", "\n30\t", 30.0f},
        {"no-break space around", "\xC2\xA0" "2.5\xE3\x80\x80", 2.5f},
        {"plus sign", "+7", 7.0f},
        {"plus minus", "+-7", 0.0f},
        {"negative zero", "-0.000", -0.0f},
        {"empty", "", 0.0f},
        {"trailing junk", "12x", 0.0f},
        {"i32 min", "-2147483648", -2147483648.0f},
        {"exponent", "1.5e3", 1500.0f},
        {"decimal comma", "1,5", 0.0f},
        {"past f32", "1e39", 0.0f},
        {"-inf", "-inf", -inf},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        CHECK(qor::wordOf(qor::parseDecimal(row.text)) == qor::wordOf(row.decimal));
    }
}

// The short "-ddd.ddd" path against the library's correctly rounded conversion.
TEST_CASE("a plain decimal reads as std::from_chars reads it")
{
    std::mt19937 random(1207);
    std::uniform_int_distribution<int> digits(0, 9999999);
    for (int n = 0; n < 200000; ++n) {
        std::string text = std::to_string(digits(random));
        text.insert(std::uniform_int_distribution<std::size_t>(0, text.size())(random), ".");
        if (random() % 2)
            text.insert(0, "-");
        float expected = 0.0f;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        if (qor::wordOf(qor::parseDecimal(text)) != qor::wordOf(expected))
            FAIL(text << " reads as " << qor::parseDecimal(text) << ", not " << expected);
    }
}

TEST_CASE("an output name replaces the compiled ending in the file name alone, and compiling adds .compiled")
{
    const struct {
        std::string_view name;
        std::string input;
        std::string output;
    } rows[] = {
        {"folder names untouched", "C:/x.reanim.compiled/walk.reanim.compiled", "C:/x.reanim.compiled/walk.reanim"},
        {"every occurrence", "/a/a.reanim.compiled.reanim.compiled", "/a/a.reanim.reanim"},
        {"never a compiled name", "/a/a.reanim.compiled.x.compiled", "/a/a.reanim.x.compiled.reanim"},
        {"plain .compiled", "/a/walk.compiled", "/a/walk.reanim"},
        {"capitals", "/a/WALK.REANIM.COMPILED", "/a/WALK.REANIM"},
        {"mixed case kept", "/a/walk.Reanim.compiled", "/a/walk.Reanim"},
        {"other ending", "/a/walk.bin", "/a/walk.bin.reanim"},
        {"already .reanim", "walk.reanim", "walk.reanim.reanim"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        CHECK(qor::decompiledPathFor(row.input).string() == row.output);
        CHECK(qor::compiledPathFor(row.output).string() == row.output + ".compiled");
    }
}
