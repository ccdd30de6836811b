#include "core/format/walkable.h"

#include "core/format/container.h"
#include "core/format/decompiler.h"

namespace qor {

std::optional<WalkableFile> WalkableFile::read(ByteView bytes, FileKind kind, LogSink &log,
                                               std::vector<ReaderWarning> *warnings)
{
    WalkableFile walkable;
    if (kind == FileKind::Text) {
        if (!readReanimXml(charsOf(bytes), walkable.model_, log, warnings))
            return std::nullopt;
        return walkable;
    }
    walkable.body_ = inflateCompiledFile(bytes, log);
    if (!walkable.body_)
        return std::nullopt;
    PassingConsumer nothing;
    const BodyWalk walk = walkBody(*walkable.body_, nothing);
    if (walk.endedInside) {
        logBodyEnded(walkable.body_->size(), *walk.endedInside, log);
        return std::nullopt;
    }
    walkable.end_ = walk.end;
    return walkable;
}

} // namespace qor
