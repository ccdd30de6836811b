#include "core/walkable.h"

#include "core/container.h"
#include "core/decompiler.h"

namespace qor {

namespace {

// Walks a body to its end and does nothing else, to learn that it ends where it should.
struct Nothing {
    bool header(float, std::uint32_t) { return true; }
    bool beginTrack(std::uint32_t, std::string_view, std::uint32_t) { return true; }
    bool frame(std::uint32_t, std::uint32_t, const BodyFrame &) { return true; }
    bool endTrack(std::uint32_t) { return true; }
};

} // namespace

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
    Nothing nothing;
    const BodyWalk walk = walkBody(*walkable.body_, nothing);
    if (walk.endedInside) {
        logBodyEnded(walkable.body_->size(), *walk.endedInside, log);
        return std::nullopt;
    }
    walkable.end_ = walk.end;
    return walkable;
}

} // namespace qor
