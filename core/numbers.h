#pragma once

#include <QByteArray>
#include <QStringView>

namespace qor {

// Appends `value` widened to double as "%0.3f" writes it in the C locale: three decimals,
// halfway cases to even on the exact binary value, "-0.000" for small negatives, inf and
// -inf; every NaN as "nan".
void appendFixed3(QByteArray &out, float value);

// The integer of a reanim text: base 10, optional sign, white space around allowed, within
// the i32 range; anything else gives 0.
qint32 parseInteger(QStringView text);

// The decimal of a reanim text in C-locale notation (optional sign and exponent; also inf
// and nan as the decompiler writes them), white space around allowed, rounded to f32.
// Anything else, or a value outside the f32 range, gives 0.0.
float parseDecimal(QStringView text);

} // namespace qor
