// Whatever body walks gives a text that reads, serializes and decompiles to the same text.
#include "core/format/bodyreader.h"
#include "core/format/bodywriter.h"
#include "core/format/decompiler.h"
#include "core/format/xmlreader.h"
#include "fuzzsupport.h"
#include "roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qorfuzz::DiscardingLog log;
    const qor::ByteView body = qorfuzz::bytesOf(data, size);
    const auto text = qor::decompileBodyToText(body, log);
    if (!text)
        return 0;
    // The model names as the text carries them, cut at their first zero byte.
    const auto names = qor::readReanimBody(body, log);
    if (!names)
        qorfuzz::failed("the text writer walked a body the model builder did not");
    if (qorfuzz::holdsNameTextCannotCarry(*names))
        return 0;
    qor::Reanim reanim;
    if (!qor::readReanimXml(*text, reanim, log))
        qorfuzz::failed("the reader refused the decompiler's text", text);
    const auto again = qor::decompileBodyToText(qor::serializeReanim(reanim), log);
    if (again != qorfuzz::withoutStringsCutToNothing(*text))
        qorfuzz::failed("body -> text -> body -> text gave another text", text, again);
    return 0;
}
