#pragma once

#include "core/reanim.h"

#include <QByteArray>

namespace qor {

// The compiled body of `reanim` (its trackCount is set on the way). The body length also
// goes to Qt's debug channel.
QByteArray serializeReanim(Reanim &reanim);

} // namespace qor
