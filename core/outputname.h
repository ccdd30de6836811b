#pragma once

#include <QString>

namespace qor {

// Where Decompile writes the text of `inPath`: beside it, with ".reanim.compiled" in the
// file name replaced by ".reanim" (or failing that a trailing ".compiled" dropped and
// ".reanim" made sure of). Never `inPath` itself, and never a name ending in ".compiled".
QString decompiledPathFor(const QString &inPath);

// Where Compile writes the compiled file of `inPath`: the same path with ".compiled" added.
QString compiledPathFor(const QString &inPath);

} // namespace qor
