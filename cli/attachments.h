#pragma once

#include "core/format/bytes.h"
#include "core/format/loader.h"
#include "core/format/walkable.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <filesystem>

namespace cli {

// The animations a file attaches, as info lists them: each one's name, clip and tags.
QJsonArray attachmentsJson(const qor::Reanim &reanim);

// The lines of info's text that list them, from a file's JSON description.
QString attachmentsText(const QJsonObject &file);

// What check warns about the file at `path`: each animation it attaches whose file is not
// beside it, in words.
QStringList missingAttachments(const std::filesystem::path &path, const qor::WalkableFile &file);

} // namespace cli
