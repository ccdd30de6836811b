// Any run of edits on a small document: each one undone gives the text before it and redone the
// text after it, and undoing them all gives back the original text and compiled file. Its edits
// kept as bytes are taken up by the file opened anew, which undoes the same way; and the input
// itself taken as kept edits is read within its ends, whatever it holds.
#include "core/edit/document.h"
#include "core/edit/keeping.h"
#include "core/edit/operations.h"
#include "core/edit/saving.h"
#include "core/format/bodywriter.h"
#include "core/format/decompiler.h"
#include "fuzzsupport.h"

#include <optional>

namespace {

using namespace qor::edit;

// The input, a byte at a time; zeros once it runs out.
class Input {
public:
    Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool more() const { return at_ < size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::size_t index() { return byte() % 7; } // past the ends now and then
    float number() { return float(int8_t(byte())) / 4.0f; }

private:
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

qor::Reanim smallAnimation()
{
    qor::Reanim reanim;
    for (const char *name : {"anim_idle", "body", "head"}) {
        qor::ReanimTrack track{name, std::vector<qor::ReanimTransform>(4)};
        track.transforms[0].f = name[0] == 'a' ? 0.0f : qor::unsetValue;
        track.transforms[1].x = 1.5f;
        track.transforms[2].kx = 350.0f;
        if (name[0] != 'a')
            track.transforms[0].i = "IMAGE_REANIM_PART";
        reanim.tracks.push_back(std::move(track));
    }
    return reanim;
}

std::optional<Change> nextChange(const qor::Reanim &reanim, Input &in, Clipboard &clipboard)
{
    const std::size_t track[] = {in.index()};
    const std::size_t two[] = {in.index(), in.index()};
    switch (in.byte() % 24) {
    case 0: return setNumber(reanim, two, in.index(), in.index(), Field(in.byte() % 8), in.number());
    case 1: return setNumber(reanim, track, in.index(), 1, Field(in.byte() % 8), std::nullopt);
    case 2: return setString(reanim, in.index(), in.index(), StringKind(in.byte() % 3), in.byte() % 2 ? "NAME" : "");
    case 3: {
        const DragValue values[] = {{in.index(), in.index(), in.number(), in.number()}};
        return drag(reanim, Drag(in.byte() % 4), values);
    }
    case 4: return insertFrames(reanim, allTracks(reanim), in.index(), in.index());
    case 5: return duplicateFrame(reanim, allTracks(reanim), in.index());
    case 6: return deleteFrames(reanim, allTracks(reanim), in.index(), in.index());
    case 7: return deleteFrames(reanim, track, in.index(), in.index());
    case 8: clipboard = copyFrames(reanim, track, in.index(), in.index()); return std::nullopt;
    case 9: return pasteFrames(reanim, clipboard, track, in.index(), in.byte() % 2);
    case 10: return tween(reanim, in.index(), in.index(), in.index(), in.byte() % 2 ? std::optional<Field>() : Field(in.byte() % 8),
                          Easing(in.byte() % 2));
    case 11: return addTrack(reanim, in.index(), "added");
    case 12: return renameTrack(reanim, in.index(), in.byte() % 2 ? "renamed" : "anim_renamed");
    case 13: return duplicateTrack(reanim, in.index());
    case 14: return deleteTrack(reanim, in.index());
    case 15: return moveTrack(reanim, in.index(), in.index());
    case 16: return makeClip(reanim, "clip", in.index(), in.index());
    case 17: return moveClip(reanim, in.index(), in.index(), in.index());
    case 18: return renameClip(reanim, in.index(), "other");
    case 19: return duplicateFrames(reanim, two, in.index(), in.index());
    case 20: return setKey(reanim, two, in.index());
    case 21: return clearKey(reanim, track, in.index());
    case 22: return tween(reanim, two, in.index(), in.index(), std::optional<Field>(), Easing(in.byte() % 2));
    default: return setFps(reanim, in.number());
    }
}

std::string textOf(const Document &document)
{
    qor::DiscardingLog quiet;
    return saveText(document, quiet).value_or("(refused)");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static qor::DiscardingLog quiet;
    static const std::string originalText = *qor::decompileBodyToText(qor::serializeReanim(smallAnimation()), quiet);
    auto opened = Document::open("small.reanim", qor::bytesOf(originalText), qor::FileKind::Text);
    if (!opened.document)
        qorfuzz::failed("the small document did not open");
    Document &document = *opened.document;
    const auto originalCompiled = saveCompiled(document, quiet);
    Input in(data, size);
    Clipboard clipboard;
    // A change under the merge key of the step just made folds into it (a drag's moves), and
    // undo then takes back the whole step: the text before it is the step's.
    std::string stepKey;
    std::string stepBefore;
    for (int steps = 0; in.more() && steps < 64; ++steps) {
        auto change = nextChange(document.reanim(), in, clipboard);
        if (!change)
            continue;
        const bool folds = !stepKey.empty() && change->mergeKey == stepKey;
        const std::string before = folds ? stepBefore : textOf(document);
        stepKey = change->mergeKey;
        stepBefore = before;
        if (!document.apply(std::move(*change)))
            qorfuzz::failed("an edit made for the document did not fit it");
        const std::string after = textOf(document);
        if (in.byte() % 8 == 1) {
            document.sealStep();
            stepKey.clear();
        }
        if (in.byte() % 4 == 0) {
            stepKey.clear(); // nothing folds into a step undone and done again
            document.undo();
            if (textOf(document) != before)
                qorfuzz::failed("undo did not give the text before", before, textOf(document));
            document.redo();
            if (textOf(document) != after)
                qorfuzz::failed("redo did not give the text after", after, textOf(document));
        }
    }
    auto again = Document::open("small.reanim", qor::bytesOf(originalText), qor::FileKind::Text);
    if (!again.document || !resumeEdits(*again.document, keptEdits(document)))
        qorfuzz::failed("the kept edits were not taken up by the file opened anew");
    if (textOf(*again.document) != textOf(document))
        qorfuzz::failed("the kept edits taken up did not give the text they were kept at", textOf(document),
                        textOf(*again.document));
    auto other = Document::open("small.reanim", qor::bytesOf(originalText), qor::FileKind::Text);
    if (other.document)
        resumeEdits(*other.document, qor::ByteView(data, size));
    while (again.document->undo()) {
    }
    if (textOf(*again.document) != originalText)
        qorfuzz::failed("undoing the kept edits did not give the original text", originalText, textOf(*again.document));
    while (document.undo()) {
    }
    if (textOf(document) != originalText)
        qorfuzz::failed("undoing everything did not give the original text", originalText, textOf(document));
    if (saveCompiled(document, quiet) != originalCompiled || document.changed())
        qorfuzz::failed("undoing everything did not give the original compiled file");
    return 0;
}
