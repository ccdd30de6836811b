#include "core/container.h"

#include "core/bytecursor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <new>

namespace qor {

WholeFile readWholeFile(const QString &path, LogSink &log, qsizetype limit)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        log.logLine(QLatin1String("ERROR: ") + QDir::toNativeSeparators(path) + QLatin1String(" is not a regular file"));
        return {WholeFile::Refused, {}};
    }
    if (info.size() > limit) {
        log.logLine(QString::fromLatin1("ERROR: %1 is %2 bytes long, more than the %3 MiB such a file can have")
                        .arg(QDir::toNativeSeparators(path))
                        .arg(info.size())
                        .arg(limit >> 20));
        return {WholeFile::Refused, {}};
    }
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    QByteArray data = opened ? file.readAll() : QByteArray();
    if (file.error() != QFileDevice::NoError) {
        log.logLine(QLatin1String("File not found ") + path);
        // That line has always been the whole story; where the file is there all the same
        // (but may not be read, say), the system's reason follows.
        if (info.exists())
            log.logLine(QLatin1String("ERROR: cannot read ") + QDir::toNativeSeparators(path) + QLatin1String(": ")
                        + file.errorString());
        return {};
    }
    // 44 is the size of one transform record; the line has always carried it.
    log.logFormat("Read %d %d", int(std::min<qsizetype>(data.size(), INT_MAX)), 44);
    return {WholeFile::Read, std::move(data)};
}

namespace {

// The largest output one deflate byte can stand for, so an initial buffer sized from the
// stream's own length is backed by data, whatever the size word claims.
constexpr qsizetype maxDeflateRatio = 1032;
// zlib counts in 32-bit words; feed and drain it in pieces no larger than this.
constexpr qsizetype zlibChunk = qsizetype(1) << 30;

// The most a stream of this size may inflate to here.
qsizetype mostBodyBytes(qsizetype streamSize, qsizetype limit)
{
    return std::min(streamSize, limit / maxDeflateRatio + 1) * maxDeflateRatio;
}

qsizetype initialBodyCapacity(quint32 sizeWord, qsizetype streamSize, qsizetype limit)
{
    return std::max<qsizetype>(1024, std::min({qsizetype(sizeWord), mostBodyBytes(streamSize, limit), limit}));
}

class Inflater {
public:
    explicit Inflater(qsizetype limit) : limit_(limit) { ok_ = inflateInit(&stream_) == Z_OK; }
    ~Inflater() { inflateEnd(&stream_); }
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // The whole stream, or nothing after an "ERROR:" line. Bytes after its end are ignored.
    std::optional<QByteArray> run(QByteArrayView input, qsizetype capacity, LogSink &log)
    {
        if (!ok_) {
            log.logLine(QLatin1String("ERROR: the decompressor could not start"));
            return std::nullopt;
        }
        QByteArray body(capacity, Qt::Uninitialized);
        qsizetype produced = 0;
        qsizetype consumed = 0;
        for (;;) {
            if (produced == body.size() && !grow(body, log))
                return std::nullopt;
            const qsizetype inChunk = std::min(input.size() - consumed, zlibChunk);
            const qsizetype outChunk = std::min(body.size() - produced, zlibChunk);
            stream_.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data() + consumed));
            stream_.avail_in = uInt(inChunk);
            stream_.next_out = reinterpret_cast<Bytef *>(body.data() + produced);
            stream_.avail_out = uInt(outChunk);
            const int status = inflate(&stream_, Z_NO_FLUSH);
            consumed += inChunk - qsizetype(stream_.avail_in);
            produced += outChunk - qsizetype(stream_.avail_out);
            if (status == Z_STREAM_END) {
                body.truncate(produced);
                return body;
            }
            if (status == Z_BUF_ERROR && consumed == input.size()) {
                log.logLine(QLatin1String("ERROR: the compressed body is cut short"));
                return std::nullopt;
            }
            if (status != Z_OK && status != Z_BUF_ERROR) {
                const char *reason = stream_.msg ? stream_.msg : "unknown error";
                log.logLine(QLatin1String("ERROR: the compressed body is damaged (")
                            + QLatin1String(reason) + QLatin1Char(')'));
                return std::nullopt;
            }
        }
    }

private:
    bool grow(QByteArray &body, LogSink &log) const
    {
        if (body.size() >= limit_) {
            log.logLine(QString::fromLatin1("ERROR: the body inflates to more than %1")
                            .arg(limit_ % (1 << 20) ? QString::fromLatin1("%1 bytes").arg(limit_)
                                                     : QString::fromLatin1("%1 MiB").arg(limit_ >> 20)));
            return false;
        }
        body.resize(std::min(body.size() * 2, limit_));
        return true;
    }

    qsizetype limit_;
    z_stream stream_{};
    bool ok_ = false;
};

} // namespace

// The one-call inflater: four times zlib's speed. Its first buffer has the size word's length
// when the stream can have that size, and doubles while the body does not fit, so the size
// word never decides whether a stream is taken: libdeflate 1.14 takes some streams that zlib
// refuses (a run of code lengths past the last one). Nothing when it finds the stream damaged
// or the body past the limit; zlib then runs again and says why.
std::optional<QByteArray> inflateInOneCall(QByteArrayView stream, quint32 sizeWord, qsizetype limit)
{
    const std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!inflater)
        return std::nullopt;
    const bool wordFits = qsizetype(sizeWord) <= std::min(mostBodyBytes(stream.size(), limit), limit);
    for (qsizetype capacity = wordFits ? qsizetype(sizeWord) : initialBodyCapacity(sizeWord, stream.size(), limit);;
         capacity = std::min(std::max<qsizetype>(capacity * 2, 1024), limit)) {
        QByteArray body(capacity, Qt::Uninitialized);
        size_t consumed = 0;
        size_t produced = 0;
        const libdeflate_result result = libdeflate_zlib_decompress_ex(
            inflater.get(), stream.data(), size_t(stream.size()), body.data(), size_t(body.size()), &consumed, &produced);
        if (result == LIBDEFLATE_SUCCESS) {
            body.truncate(qsizetype(produced));
            return body;
        }
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE || capacity >= limit)
            return std::nullopt;
    }
}

std::optional<QByteArray> inflateCompiledFile(const QByteArray &data, LogSink &log, qsizetype limit)
{
    ByteCursor cursor(data);
    if (cursor.u32() != compiledMagic) {
        log.logFormat("ERROR: incorrect header");
        return std::nullopt;
    }
    const auto sizeWord = cursor.u32();
    if (!sizeWord || cursor.remaining() == 0) {
        log.logLine(QLatin1String("ERROR: no compressed body follows the header"));
        return std::nullopt;
    }
    const QByteArrayView stream = QByteArrayView(data).sliced(compiledHeaderSize);
    if (auto body = inflateInOneCall(stream, *sizeWord, limit))
        return body;
    return Inflater(limit).run(stream, initialBodyCapacity(*sizeWord, stream.size(), limit), log);
}

std::optional<QByteArray> loadCompiledBody(const QString &path, LogSink &log)
{
    const WholeFile file = readWholeFile(path, log, maxCompiledFileSize);
    if (file.status == WholeFile::NotOpened)
        log.logFormat("ERROR: incorrect header");
    if (!file)
        return std::nullopt;
    return inflateCompiledFile(file.bytes, log);
}

QByteArray frameBody(const QByteArray &body)
{
    uLongf streamSize = compressBound(uLong(body.size()));
    QByteArray file(compiledHeaderSize + qsizetype(streamSize), Qt::Uninitialized);
    const int status = compress2(reinterpret_cast<Bytef *>(file.data() + compiledHeaderSize), &streamSize,
                                 reinterpret_cast<const Bytef *>(body.constData()), uLong(body.size()),
                                 Z_DEFAULT_COMPRESSION);
    // With compressBound's room, compress2 fails only for want of memory.
    if (status != Z_OK)
        throw std::bad_alloc();
    file.truncate(compiledHeaderSize + qsizetype(streamSize));
    qToLittleEndian(compiledMagic, file.data());
    qToLittleEndian(quint32(body.size()), file.data() + 4);
    return file;
}

} // namespace qor
