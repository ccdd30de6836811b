// A raw body, with no compression in the way: the walk to text and the walk to the model.
#include "core/bodyreader.h"
#include "core/decompiler.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qorfuzz::DiscardingLog log;
    const QByteArrayView body = qorfuzz::bytesOf(data, size);
    // Both consumers ride the same walk: they finish or stop together.
    if (qor::decompileBodyToText(body, log).has_value() != qor::readReanimBody(body, log).has_value())
        qorfuzz::failed("the text writer and the model builder disagree on a body");
    return 0;
}
