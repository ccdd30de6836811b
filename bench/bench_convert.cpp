// Throughput of both directions and of their parts, on one large animation made here.
#include "core/format/bodywriter.h"
#include "core/format/compiler.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"
#include "core/files/fileconversions.h"
#include "core/format/numbers.h"
#include "core/format/xmlreader.h"
#include "qt/qtcore.h"
#include "render/framepainter.h"
#include "render/picture.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
#include <filesystem>
#include <random>
#include <string>

namespace {

using qor::DiscardingLog;

// 40 tracks of 2,500 frames: every field set on some frames, image names on most.
qor::Reanim largeAnimation()
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-500.0f, 500.0f);
    qor::Reanim reanim;
    for (int t = 0; t < 40; ++t) {
        qor::ReanimTrack track;
        track.name = "track_" + std::to_string(t);
        for (int f = 0; f < 2500; ++f) {
            qor::ReanimTransform frame;
            frame.x = value(random);
            frame.y = value(random);
            if (f % 3 == 0) {
                frame.sx = value(random) / 500.0f;
                frame.sy = value(random) / 500.0f;
                frame.a = 1.0f;
            }
            if (f % 4 != 0)
                frame.i = "IMAGE_REANIM_PART_" + std::to_string(f % 17);
            track.transforms.push_back(std::move(frame));
        }
        reanim.tracks.push_back(std::move(track));
    }
    return reanim;
}

struct Fixture {
    QTemporaryDir dir;
    qor::Bytes body;
    std::filesystem::path compiledPath;
    std::filesystem::path textPath;
    std::string text;

    Fixture()
    {
        body = qor::serializeReanim(largeAnimation());
        compiledPath = qorqt::toPath(dir.filePath(QStringLiteral("large.reanim.compiled")));
        textPath = qorqt::toPath(dir.filePath(QStringLiteral("large.reanim")));
        DiscardingLog log;
        text = qor::decompileBodyToText(body, log).value_or(std::string());
        qor::writeWholeFile(compiledPath, qor::charsOf(qor::wrapBody(body)), log, qor::Flush::No);
        qor::writeWholeFile(textPath, text, log, qor::Flush::No);
    }
};

const Fixture &fixture()
{
    static const Fixture shared;
    return shared;
}

void decompileFile(benchmark::State &state)
{
    const Fixture &data = fixture();
    const std::filesystem::path out = qorqt::toPath(data.dir.filePath(QStringLiteral("out.reanim")));
    DiscardingLog log;
    qor::ConversionBuffers buffers;
    for (auto _ : state)
        benchmark::DoNotOptimize(qor::decompileFile(data.compiledPath, out, log, qor::Flush::ToDisk, &buffers));
    state.SetBytesProcessed(state.iterations() * data.text.size());
}
BENCHMARK(decompileFile)->Unit(benchmark::kMillisecond);

void decompileBodyOnly(benchmark::State &state)
{
    const Fixture &data = fixture();
    DiscardingLog log;
    std::string text;
    for (auto _ : state)
        benchmark::DoNotOptimize(qor::decompileBodyToText(data.body, text, log));
    state.SetBytesProcessed(state.iterations() * data.text.size());
}
BENCHMARK(decompileBodyOnly)->Unit(benchmark::kMillisecond);

void compileFile(benchmark::State &state)
{
    const Fixture &data = fixture();
    const std::filesystem::path out = qorqt::toPath(data.dir.filePath(QStringLiteral("out.reanim.compiled")));
    DiscardingLog log;
    qor::ConversionBuffers buffers;
    for (auto _ : state)
        benchmark::DoNotOptimize(qor::compileFile(data.textPath, out, log, qor::Flush::ToDisk, nullptr, &buffers));
    state.SetBytesProcessed(state.iterations() * data.text.size());
}
BENCHMARK(compileFile)->Unit(benchmark::kMillisecond);

void readText(benchmark::State &state)
{
    const Fixture &data = fixture();
    DiscardingLog log;
    for (auto _ : state) {
        qor::Reanim reanim;
        benchmark::DoNotOptimize(qor::readReanimXml(data.text, reanim, log));
    }
    state.SetBytesProcessed(state.iterations() * data.text.size());
}
BENCHMARK(readText)->Unit(benchmark::kMillisecond);

// zlib alone on the same body: the floor under each direction.
void zlibDeflateOnly(benchmark::State &state)
{
    const qor::Bytes &body = fixture().body;
    std::vector<Bytef> out(compressBound(uLong(body.size())));
    for (auto _ : state) {
        uLongf length = uLongf(out.size());
        benchmark::DoNotOptimize(compress2(out.data(), &length, body.data(), uLong(body.size()), Z_DEFAULT_COMPRESSION));
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(zlibDeflateOnly)->Unit(benchmark::kMillisecond);

void zlibInflateOnly(benchmark::State &state)
{
    const qor::Bytes &body = fixture().body;
    const qor::Bytes framed = qor::wrapBody(body);
    std::vector<Bytef> out(body.size());
    for (auto _ : state) {
        uLongf length = uLongf(out.size());
        benchmark::DoNotOptimize(uncompress(out.data(), &length, framed.data() + 8, uLong(framed.size() - 8)));
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(zlibInflateOnly)->Unit(benchmark::kMillisecond);

void serializeModel(benchmark::State &state)
{
    const qor::Reanim reanim = largeAnimation();
    qor::Bytes body;
    for (auto _ : state) {
        qor::serializeReanim(reanim, body);
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(state.iterations() * fixture().body.size());
}
BENCHMARK(serializeModel)->Unit(benchmark::kMillisecond);

// Ways of putting a complete file in place of an old one, 100 outputs of 100 KB each.
// Ways of putting a complete file in place of an old one, 100 outputs of 100 KB each: Qt's
// QSaveFile (flushed to the disk), a plain rename over the old file, swapping the two with
// renameat2 and removing the old one, and the converters' own output file (which swaps).
enum class Replace { SaveFile, Rename, Exchange, OutputFile };

void writeBeside(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

void replaceOne(Replace way, const QString &path, const QByteArray &bytes, DiscardingLog &log)
{
    const QString temporary = path + QStringLiteral(".new");
    if (way == Replace::SaveFile) {
        QSaveFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.commit();
    } else if (way == Replace::Rename) {
        writeBeside(temporary, bytes);
        std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData());
    } else if (way == Replace::Exchange) {
        writeBeside(temporary, bytes);
        renameat2(AT_FDCWD, QFile::encodeName(temporary).constData(), AT_FDCWD, QFile::encodeName(path).constData(),
                  RENAME_EXCHANGE);
        unlink(QFile::encodeName(temporary).constData());
    } else {
        qor::writeWholeFile(qorqt::toPath(path), qorqt::charsOf(bytes), log, qor::Flush::No);
    }
}

void replaceOutputs(benchmark::State &state)
{
    const auto way = Replace(state.range(0));
    const QTemporaryDir dir;
    const QByteArray bytes(100 * 1024, 'r');
    DiscardingLog log;
    for (int n = 0; n < 100; ++n)
        qor::writeWholeFile(qorqt::toPath(dir.filePath(QString::number(n))), qorqt::charsOf(bytes), log, qor::Flush::No);
    for (auto _ : state) {
        for (int n = 0; n < 100; ++n)
            replaceOne(way, dir.filePath(QString::number(n)), bytes, log);
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(replaceOutputs)->ArgName("saveFile_rename_exchange_ours")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

std::vector<float> randomFloats()
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(-2000.0f, 2000.0f);
    std::vector<float> values(4096);
    for (float &v : values)
        v = value(random);
    return values;
}

void formatNumber(benchmark::State &state)
{
    const std::vector<float> values = randomFloats();
    std::vector<char> out(values.size() * qor::maxFixed3Length);
    for (auto _ : state) {
        char *at = out.data();
        for (const float v : values)
            at = qor::writeFixed3(at, v);
        benchmark::DoNotOptimize(at);
    }
    state.SetItemsProcessed(state.iterations() * qint64(values.size()));
}
BENCHMARK(formatNumber);

// The C library's "%0.3f", for comparison with the formatter above.
void formatNumberWithPrintf(benchmark::State &state)
{
    const std::vector<float> values = randomFloats();
    std::vector<char> out(values.size() * qor::maxFixed3Length);
    for (auto _ : state) {
        char *at = out.data();
        for (const float v : values)
            at += std::snprintf(at, qor::maxFixed3Length, "%0.3f", double(v));
        benchmark::DoNotOptimize(at);
    }
    state.SetItemsProcessed(state.iterations() * qint64(values.size()));
}
BENCHMARK(formatNumberWithPrintf);

// An animation as the preview plays it: `tracks` parts of 40 by 60 pixels swinging about
// over `frames` frames at 30 fps, each naming its own image.
qor::EvaluatedAnimation swingingParts(int tracks, int frames)
{
    qor::Reanim reanim;
    reanim.fps = 30.0f;
    for (int t = 0; t < tracks; ++t) {
        qor::ReanimTrack &track = reanim.tracks.emplace_back();
        track.name = "part_" + std::to_string(t);
        for (int f = 0; f < frames; ++f) {
            qor::ReanimTransform &frame = track.transforms.emplace_back();
            frame.x = float(t % 10 * 80 + f % 7);
            frame.y = float(t / 10 * 100 + f % 5);
            frame.kx = frame.ky = float((t + f) % 40 - 20);
            if (f == 0)
                frame.i = "IMAGE_REANIM_PART_" + std::to_string(t);
        }
    }
    return qor::evaluate(reanim);
}

// One frame of 60 tracks with their images at 1:1 onto a window-sized picture, background
// included. The CPU share is that of playing at the animation's 30 frames per second.
void drawFrame60Tracks(benchmark::State &state)
{
    const QTemporaryDir dir;
    QImage part(40, 60, QImage::Format_ARGB32);
    part.fill(QColor(60, 160, 80, 200));
    for (int t = 0; t < 60; ++t)
        part.save(dir.filePath(QStringLiteral("part_%1.png").arg(t)));
    const qor::ImageLibrary images(dir.path());
    const qor::EvaluatedAnimation animation = swingingParts(60, 100);
    QImage canvas(1024, 768, QImage::Format_ARGB32_Premultiplied);
    int frame = 0;
    for (auto _ : state) {
        QPainter painter(&canvas);
        painter.fillRect(canvas.rect(), QColor(250, 250, 250));
        qor::drawFrame(painter, animation, frame, images);
        frame = (frame + 1) % animation.frameCount;
    }
    state.counters["cpu_share_at_30fps"] =
        benchmark::Counter(double(state.iterations()) / 30.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(drawFrame60Tracks)->Unit(benchmark::kMicrosecond);

// A sheet of 100 frames of 20 tracks whose images are missing: placeholders with names.
void drawSheetWithPlaceholders(benchmark::State &state)
{
    const qor::ImageLibrary images;
    const qor::EvaluatedAnimation animation = swingingParts(20, 100);
    const qor::Clip clip = animation.whole();
    const qor::Framing cell = qor::clipFraming(animation, clip, images, 1.0);
    for (auto _ : state)
        benchmark::DoNotOptimize(qor::renderSheet(animation, clip, images, cell, {.numbered = true}));
}
BENCHMARK(drawSheetWithPlaceholders)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    // Text is drawn with fonts, which need a QGuiApplication; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int guiArgc = 1;
    QGuiApplication application(guiArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("Animation: %lld body bytes, %lld text bytes\n", static_cast<long long>(fixture().body.size()),
                static_cast<long long>(fixture().text.size()));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
