// A reanim text: the reader, then the serializer for whatever it read.
#include "core/bodywriter.h"
#include "core/xmlreader.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qorfuzz::dropDebugMessages();
    qorfuzz::DiscardingLog log;
    qor::Reanim reanim;
    if (qor::readReanimXml(qorfuzz::bytesOf(data, size), reanim, log))
        qor::serializeReanim(reanim);
    return 0;
}
