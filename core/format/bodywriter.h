#pragma once

#include "core/format/bytes.h"
#include "core/format/reanim.h"

namespace qor {

// The compiled body of `reanim`, written into `body` (replacing what it held, keeping its
// room for the next one).
void serializeReanim(const Reanim &reanim, Bytes &body);
Bytes serializeReanim(const Reanim &reanim);

} // namespace qor
