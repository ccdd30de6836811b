// A reanim text: the reader, then the serializer for whatever it read.
#include "core/format/bodywriter.h"
#include "core/format/linereader.h"
#include "core/format/xmlreader.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qorfuzz::DiscardingLog log;
    const std::string_view text = qorfuzz::charsOf(data, size);
    qor::Reanim reanim;
    if (!qor::readReanimXml(text, reanim, log))
        return 0;
    const qor::Bytes body = qor::serializeReanim(reanim);
    // A text in the decompiler's own lines takes the short path; a comment in front sends the
    // same text to the general reader, which must read the same animation.
    if (qor::readDecompilerLines(text)) {
        qor::Reanim general;
        if (!qor::readReanimXml("<!---->" + std::string(text), general, log))
            qorfuzz::failed("the general reader refused a text the line reader took", std::string(text));
        if (qor::serializeReanim(general) != body)
            qorfuzz::failed("the line reader and the general reader read different animations", std::string(text));
    }
    // A text the line reader takes when warnings are wanted is one the general reader has no
    // warning about.
    if (const auto quiet = qor::readDecompilerLines(text, true); quiet && !quiet->tracks.empty()) {
        qor::Reanim general;
        std::vector<qor::ReaderWarning> warnings;
        if (!qor::readReanimXml("<!---->" + std::string(text), general, log, &warnings) || !warnings.empty())
            qorfuzz::failed("the line reader took a text the general reader warns about", std::string(text),
                            warnings.empty() ? std::nullopt : std::optional(warnings.front().text));
    }
    return 0;
}
