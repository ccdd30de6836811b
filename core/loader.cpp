#include "core/loader.h"

#include "core/bodyreader.h"
#include "core/container.h"
#include "core/xmlreader.h"

#include <QtEndian>

namespace qor {

FileKind kindOf(const QByteArray &bytes)
{
    return bytes.size() >= 4 && qFromLittleEndian<quint32>(bytes.constData()) == compiledMagic ? FileKind::Compiled
                                                                                             : FileKind::Text;
}

std::optional<LoadedAnimation> decodeAnimation(const QByteArray &bytes, FileKind kind, LogSink &log)
{
    LoadedAnimation loaded{kind, {}};
    if (loaded.kind == FileKind::Text) {
        if (!readReanimXml(bytes, loaded.reanim, log))
            return std::nullopt;
        return loaded;
    }
    const auto body = inflateCompiledFile(bytes, log);
    if (!body)
        return std::nullopt;
    auto reanim = readReanimBody(*body, log);
    if (!reanim)
        return std::nullopt;
    loaded.reanim = std::move(*reanim);
    return loaded;
}

std::optional<LoadedAnimation> loadAnimation(const QString &path, LogSink &log)
{
    const WholeFile file = readWholeFile(path, log, maxCompiledFileSize);
    if (!file)
        return std::nullopt;
    return decodeAnimation(file.bytes, kindOf(file.bytes), log);
}

} // namespace qor
