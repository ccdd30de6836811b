// A compiled file: zlib's inflate against libdeflate's on the same stream, each called
// directly, then the body walk and the text written to memory.
#include "core/format/bytecursor.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qorfuzz::DiscardingLog log;
    const qor::ByteView file = qorfuzz::bytesOf(data, size);
    qor::ByteCursor cursor(file);
    if (cursor.u32() == qor::layout::compiledMagic && size > qor::layout::compiledHeaderSize) {
        const std::uint32_t sizeWord = *cursor.u32();
        const qor::ByteView stream = file.subspan(qor::layout::compiledHeaderSize);
        // A small limit keeps a run quick; both meet it alike.
        constexpr std::size_t limit = std::size_t(1) << 24;
        qor::Bytes byZlib;
        qor::Bytes byLibdeflate;
        const bool zlib = qor::inflateWithZlib(stream, sizeWord, limit, byZlib, log);
        const bool libdeflate = qor::inflateWithLibdeflate(stream, sizeWord, limit, byLibdeflate);
        // libdeflate takes a few streams zlib refuses (code lengths that run past the last);
        // whatever zlib takes, libdeflate takes too, to the same body.
        if (zlib && (!libdeflate || byZlib != byLibdeflate))
            qorfuzz::failed("zlib and libdeflate inflate a stream differently", qorfuzz::asString(byZlib),
                            libdeflate ? std::optional(qorfuzz::asString(byLibdeflate)) : std::nullopt);
    }
    if (const auto body = qor::inflateCompiledFile(file, log, std::size_t(1) << 24))
        qor::decompileBodyToText(*body, log);
    return 0;
}
