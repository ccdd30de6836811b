#include "core/format/loader.h"

#include "core/format/bodyreader.h"
#include "core/format/container.h"
#include "core/format/xmlreader.h"

namespace qor {

FileKind kindByContent(ByteView bytes)
{
    return bytes.size() >= 4 && loadLittle32(bytes.data()) == layout::compiledMagic ? FileKind::Compiled : FileKind::Text;
}

std::optional<LoadedAnimation> decodeAnimation(ByteView bytes, FileKind kind, LogSink &log)
{
    LoadedAnimation loaded{kind, {}};
    if (loaded.kind == FileKind::Text) {
        if (!readReanimXml(charsOf(bytes), loaded.reanim, log))
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

} // namespace qor
