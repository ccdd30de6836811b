#pragma once

#include "qt/qtcore.h"
#include "core/format/reanim.h"

#include <QByteArray>
#include <QDomElement>
#include <QString>

#include <optional>

// The reader of reanim texts as it was before streaming: a whole document through QDom,
// then a walk over it. Kept as the reference the streaming reader is compared with.
namespace domreader {

// As qor::readReanimXml.
bool readReanimXml(const QByteArray &bytes, qor::Reanim &reanim, qorqt::LogSink &log);

} // namespace domreader
