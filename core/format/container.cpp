#include "core/format/container.h"

#include "core/format/bytecursor.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>

namespace qor {

namespace {

// The largest output one deflate byte can stand for, so an initial buffer sized from the
// stream's own length is backed by data, whatever the size word claims.
constexpr std::size_t maxDeflateRatio = 1032;
// zlib counts in 32-bit words; feed and drain it in pieces no larger than this.
constexpr std::size_t zlibChunk = std::size_t(1) << 30;

// The most a stream of this size may inflate to here.
std::size_t mostBodyBytes(std::size_t streamSize, std::size_t limit)
{
    return std::min(streamSize, limit / maxDeflateRatio + 1) * maxDeflateRatio;
}

std::size_t initialBodyCapacity(std::uint32_t sizeWord, std::size_t streamSize, std::size_t limit)
{
    return std::max<std::size_t>(1024, std::min({std::size_t(sizeWord), mostBodyBytes(streamSize, limit), limit}));
}

std::string limitInWords(std::size_t limit)
{
    return limit % (1 << 20) ? std::to_string(limit) + " bytes" : std::to_string(limit >> 20) + " MiB";
}

class Inflater {
public:
    explicit Inflater(std::size_t limit) : limit_(limit) { ok_ = inflateInit(&stream_) == Z_OK; }
    ~Inflater() { inflateEnd(&stream_); }
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // The whole stream, or false after an "ERROR:" line. Bytes after its end are ignored.
    bool run(ByteView input, std::size_t capacity, Bytes &body, LogSink &log)
    {
        if (!ok_) {
            log.logLine("ERROR: the decompressor could not start");
            return false;
        }
        body.resize(capacity);
        std::size_t produced = 0;
        std::size_t consumed = 0;
        for (;;) {
            if (produced == body.size() && !grow(body, log))
                return false;
            const std::size_t inChunk = std::min(input.size() - consumed, zlibChunk);
            const std::size_t outChunk = std::min(body.size() - produced, zlibChunk);
            stream_.next_in = const_cast<Bytef *>(input.data() + consumed);
            stream_.avail_in = uInt(inChunk);
            stream_.next_out = body.data() + produced;
            stream_.avail_out = uInt(outChunk);
            const int status = inflate(&stream_, Z_NO_FLUSH);
            consumed += inChunk - stream_.avail_in;
            produced += outChunk - stream_.avail_out;
            if (status == Z_STREAM_END) {
                body.resize(produced);
                return true;
            }
            if (status == Z_BUF_ERROR && consumed == input.size()) {
                log.logLine("ERROR: the compressed body is cut short");
                return false;
            }
            if (status != Z_OK && status != Z_BUF_ERROR) {
                const char *reason = stream_.msg ? stream_.msg : "unknown error";
                log.logLine(std::string("ERROR: the compressed body is damaged (") + reason + ')');
                return false;
            }
        }
    }

private:
    bool grow(Bytes &body, LogSink &log) const
    {
        if (body.size() >= limit_) {
            log.logLine("ERROR: the body inflates to more than " + limitInWords(limit_));
            return false;
        }
        body.resize(std::min(body.size() * 2, limit_));
        return true;
    }

    std::size_t limit_;
    z_stream stream_{};
    bool ok_ = false;
};

} // namespace

std::string tooLargeLine(std::string_view shownPath, std::uint64_t size, std::size_t limit)
{
    return "ERROR: " + std::string(shownPath) + " is " + std::to_string(size) + " bytes long, more than the "
        + std::to_string(limit >> 20) + " MiB such a file can have";
}

// The one-call inflater: four times zlib's speed. Its first buffer has the size word's length
// when the stream can have that size, and doubles while the body does not fit, so the size
// word never decides whether a stream is taken: libdeflate 1.14 takes some streams that zlib
// refuses (a run of code lengths past the last one).
bool inflateWithLibdeflate(ByteView stream, std::uint32_t sizeWord, std::size_t limit, Bytes &body)
{
    const std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!inflater)
        return false;
    const bool wordFits = std::size_t(sizeWord) <= std::min(mostBodyBytes(stream.size(), limit), limit);
    for (std::size_t capacity = wordFits ? std::size_t(sizeWord) : initialBodyCapacity(sizeWord, stream.size(), limit);;
         capacity = std::min(std::max<std::size_t>(capacity * 2, 1024), limit)) {
        body.resize(capacity);
        std::size_t consumed = 0;
        std::size_t produced = 0;
        const libdeflate_result result = libdeflate_zlib_decompress_ex(inflater.get(), stream.data(), stream.size(),
                                                                       body.data(), body.size(), &consumed, &produced);
        if (result == LIBDEFLATE_SUCCESS) {
            body.resize(produced);
            return true;
        }
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE || capacity >= limit)
            return false;
    }
}

bool inflateWithZlib(ByteView stream, std::uint32_t sizeWord, std::size_t limit, Bytes &body, LogSink &log)
{
    return Inflater(limit).run(stream, initialBodyCapacity(sizeWord, stream.size(), limit), body, log);
}

bool inflateCompiledFile(ByteView file, Bytes &body, LogSink &log, std::size_t limit)
{
    ByteCursor cursor(file);
    if (cursor.u32() != layout::compiledMagic) {
        log.logFormat("ERROR: incorrect header");
        return false;
    }
    const auto sizeWord = cursor.u32();
    if (!sizeWord || cursor.remaining() == 0) {
        log.logLine("ERROR: no compressed body follows the header");
        return false;
    }
    // Where libdeflate finds the stream damaged, zlib runs again and says why.
    const ByteView stream = file.subspan(layout::compiledHeaderSize);
    return inflateWithLibdeflate(stream, *sizeWord, limit, body) || inflateWithZlib(stream, *sizeWord, limit, body, log);
}

std::optional<Bytes> inflateCompiledFile(ByteView file, LogSink &log, std::size_t limit)
{
    Bytes body;
    if (!inflateCompiledFile(file, body, log, limit))
        return std::nullopt;
    return body;
}

void wrapBody(ByteView body, Bytes &file)
{
    z_stream stream{};
    if (deflateInit(&stream, Z_DEFAULT_COMPRESSION) != Z_OK)
        throw std::bad_alloc();
    const std::unique_ptr<z_stream, decltype(&deflateEnd)> ending(&stream, &deflateEnd);
    // The room grows with what deflate writes. compressBound's room, zeroed at once, would be
    // as large as the body, where the stream is a tenth of it or less.
    const std::size_t most = layout::compiledHeaderSize + compressBound(uLong(body.size()));
    file.resize(std::min(most, layout::compiledHeaderSize + body.size() / 16 + 65536));
    std::size_t read = 0;
    std::size_t written = layout::compiledHeaderSize;
    for (int status = Z_OK; status != Z_STREAM_END;) {
        if (written == file.size())
            file.resize(std::min(most, file.size() + file.size() / 2));
        const auto in = uInt(std::min(body.size() - read, zlibChunk));
        const auto out = uInt(std::min(file.size() - written, zlibChunk));
        stream.next_in = const_cast<Bytef *>(body.data() + read);
        stream.avail_in = in;
        stream.next_out = file.data() + written;
        stream.avail_out = out;
        // The same calls as compress2, so the same stream: all the input, then Z_FINISH.
        status = deflate(&stream, read + in == body.size() ? Z_FINISH : Z_NO_FLUSH);
        // With room to write and input to read, deflate fails only for want of memory.
        if (status == Z_STREAM_ERROR || status == Z_MEM_ERROR)
            throw std::bad_alloc();
        read += in - stream.avail_in;
        written += out - stream.avail_out;
    }
    file.resize(written);
    storeLittle32(file.data(), layout::compiledMagic);
    storeLittle32(file.data() + 4, std::uint32_t(body.size()));
}

Bytes wrapBody(ByteView body)
{
    Bytes file;
    wrapBody(body, file);
    return file;
}

} // namespace qor
