// A raw body, with no compression in the way: the walk to text and the walk to the model.
#include "core/format/bodyreader.h"
#include "core/format/decompiler.h"
#include "fuzzsupport.h"
#include "roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qorfuzz::DiscardingLog log;
    const qor::ByteView body = qorfuzz::bytesOf(data, size);
    // Both consumers ride the same walk: they finish or stop together, but for a name the
    // text can't carry, which only the text writer refuses.
    const bool text = qor::decompileBodyToText(body, log).has_value();
    const auto model = qor::readReanimBody(body, log);
    if (text != model.has_value() && !(model && qorfuzz::holdsUnwritableName(*model)))
        qorfuzz::failed("the text writer and the model builder disagree on a body");
    return 0;
}
