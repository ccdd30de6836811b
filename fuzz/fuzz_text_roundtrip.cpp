// Whatever text reads serializes to a body B that decompiles to a text reading back to B
// (with the numbers as the text carries them).
#include "core/format/bodywriter.h"
#include "core/format/decompiler.h"
#include "core/format/xmlreader.h"
#include "fuzzsupport.h"
#include "roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qorfuzz::DiscardingLog log;
    qor::Reanim first;
    if (!qor::readReanimXml(qorfuzz::charsOf(data, size), first, log) || qorfuzz::holdsNameTextCannotCarry(first))
        return 0;
    const auto text = qor::decompileBodyToText(qor::serializeReanim(first), log);
    if (!text)
        qorfuzz::failed("the decompiler refused a serialized body");
    qor::Reanim second;
    if (!qor::readReanimXml(*text, second, log))
        qorfuzz::failed("the reader refused the decompiler's text", text);
    qorfuzz::roundToText(first);
    const qor::Bytes expected = qor::serializeReanim(first);
    const qor::Bytes body = qor::serializeReanim(second);
    if (body != expected)
        qorfuzz::failed("text -> body -> text -> body gave another body", qorfuzz::asString(expected),
                        qorfuzz::asString(body));
    return 0;
}
