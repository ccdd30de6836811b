// A compiled file: the container, the inflate, the body walk and the text written to memory.
#include "core/container.h"
#include "core/decompiler.h"
#include "fuzzsupport.h"

#include <QtEndian>


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qorfuzz::DiscardingLog log;
    const QByteArray file = qorfuzz::bytesOf(data, size).toByteArray();
    const auto body = qor::inflateCompiledFile(file, log);
    // A size word past any body the stream could hold skips the one-call inflater: zlib alone
    // must give the same body, or the same refusal, whatever the word said.
    if (file.size() >= qor::compiledHeaderSize) {
        QByteArray zlibOnly = file;
        qToLittleEndian(quint32(0xFFFFFFFF), zlibOnly.data() + 4);
        if (qor::inflateCompiledFile(zlibOnly, log) != body)
            qorfuzz::failed("the size word changed the inflated body");
    }
    if (body)
        qor::decompileBodyToText(*body, log);
    return 0;
}
