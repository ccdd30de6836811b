#pragma once

#include "core/format/bodyreader.h"
#include "core/format/bodywalker.h"
#include "core/format/bytes.h"
#include "core/format/loader.h"
#include "core/format/logsink.h"
#include "core/format/reanim.h"
#include "core/format/xmlreader.h"

#include <optional>
#include <vector>

namespace qor {

// An input of check or info, ready to be walked as often as needed without a model of it: the
// inflated body of a compiled file, whose walk is known to end where its counts and lengths
// say, or the model of a text. Walking is the only way in, so what is done with a file of
// millions of tracks or frames takes little more memory than its body.
class WalkableFile {
public:
    // The file's bytes in the form `kind` gives; nothing after `log` has said why. Given
    // `warnings`, the text reader collects them, also when it fails. `bytes` may go afterwards.
    static std::optional<WalkableFile> read(ByteView bytes, FileKind kind, LogSink &log,
                                            std::vector<ReaderWarning> *warnings = nullptr);

    FileKind kind() const { return body_ ? FileKind::Compiled : FileKind::Text; }

    // The bytes of a compiled body after its last track, which a decompile drops.
    std::size_t bytesAfterLastTrack() const { return body_ ? body_->size() - end_ : 0; }

    // Calls on `consumer` as walkBody does; names are as stored, not cut at a zero byte.
    template <typename Consumer>
    BodyWalk walk(Consumer &consumer) const
    {
        return body_ ? walkBody(*body_, consumer) : walkReanim(model_, consumer);
    }

private:
    WalkableFile() = default;

    std::optional<Bytes> body_;
    std::size_t end_ = 0;
    Reanim model_;
};

} // namespace qor
