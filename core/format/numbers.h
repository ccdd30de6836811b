#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qor {

// The most bytes writeFixed3 or writeFrameRate writes: FLT_MAX has 39 integer digits.
inline constexpr int maxFixed3Length = 48;

// Writes `value` widened to double as "%0.3f" writes it in the C locale: three decimals,
// halfway cases to even on the exact binary value, "-0.000" for small negatives, inf and
// -inf; every NaN as "nan". Returns the end of what it wrote.
char *writeFixed3(char *out, float value);
void appendFixed3(std::string &out, float value);

// Writes a frame rate: as writeFixed3, without the zeros that end the decimals, and
// without the point when no decimal is left (12.0 gives "12", 10.5 gives "10.5").
char *writeFrameRate(char *out, float value);

// The decimal of a reanim text (UTF-8) in C-locale notation (optional sign and exponent;
// also inf and nan as the decompiler writes them), white space around allowed, rounded to
// f32. Anything else, or a value outside the f32 range, gives 0.0.
float parseDecimal(std::string_view text);

// The same, but nothing for a text that is not a number (instead of 0.0).
std::optional<float> readDecimal(std::string_view text);

// The whole of `number` as a float or a double in C-locale notation, as std::from_chars reads
// it (no blanks, no leading +), rounded to nearest; nothing for any other text or a value
// outside the type's range.
template <class Number>
std::optional<Number> wholeNumber(std::string_view number);

// How many digits follow the decimal point of a number text (0 without a point).
int decimalPlaces(std::string_view text);

} // namespace qor
