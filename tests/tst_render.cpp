#include "coreadapter.h"
#include "animations.h"
#include "render/framepainter.h"
#include "render/picture.h"
#include "run.h"
#include "sample.h"
#include "testdata.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <zlib.h>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(qor::ReanimTrack)

namespace {

constexpr float unset = qor::unsetValue;
const QColor red(255, 0, 0);
const QColor none(0, 0, 0, 0);

// One track of one frame with the fields x, y, kx, ky, sx, sy, f, a in that order.
qor::EvaluatedAnimation oneTrack(const QList<float> &fields, const QByteArray &image)
{
    qor::ReanimTransform frame;
    for (qsizetype n = 0; n < fields.size(); ++n)
        frame.*qor::numberFields[size_t(n)].member = fields[n];
    frame.i = image.toStdString();
    qor::Reanim reanim;
    reanim.tracks.push_back({"part", {frame}});
    return qor::evaluate(reanim);
}

bool near(QColor a, QColor b, int tolerance = 2)
{
    const auto close = [&](int x, int y) { return std::abs(x - y) <= tolerance; };
    return close(a.red(), b.red()) && close(a.green(), b.green()) && close(a.blue(), b.blue())
           && close(a.alpha(), b.alpha());
}

// A track of `frames` frames: the text, the f and the x that each frame gives, by frame.
qor::ReanimTrack textTrack(const std::string &name, int frames, const QMap<int, std::string> &texts,
                           const QMap<int, float> &shown = {}, const QMap<int, float> &x = {})
{
    qor::ReanimTrack track{name, std::vector<qor::ReanimTransform>(size_t(frames))};
    for (auto [frame, text] : texts.asKeyValueRange())
        track.transforms[size_t(frame)].text = text;
    for (auto [frame, f] : shown.asKeyValueRange())
        track.transforms[size_t(frame)].f = f;
    for (auto [frame, value] : x.asKeyValueRange())
        track.transforms[size_t(frame)].x = value;
    return track;
}

} // namespace

class tst_Render : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    qor::ImageLibrary images;

private slots:
    void initTestCase()
    {
        QImage square(4, 4, QImage::Format_ARGB32);
        square.fill(red);
        QVERIFY(square.save(dir.filePath(u"Red.PNG"_s)));
        QVERIFY(square.save(dir.filePath(u"plain.jpg"_s)));
        images = qor::ImageLibrary(dir.path());
    }

    void pixels_data()
    {
        QTest::addColumn<QList<float>>("fields");
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QList<QPoint>>("at");
        QTest::addColumn<QList<QColor>>("colours");
        const QColor half(255, 0, 0, 128);
        QTest::newRow("placed at x 10, y 20") << QList<float>{10, 20} << "IMAGE_REANIM_RED"_ba
                                              << QList<QPoint>{{10, 20}, {13, 23}, {9, 20}, {14, 20}, {10, 24}}
                                              << QList<QColor>{red, red, none, none, none};
        QTest::newRow("name without prefix, jpg") << QList<float>{10, 20} << "plain"_ba << QList<QPoint>{{12, 22}}
                                                  << QList<QColor>{red};
        QTest::newRow("hidden frame") << QList<float>{10, 20, unset, unset, unset, unset, -1} << "IMAGE_REANIM_RED"_ba
                                      << QList<QPoint>{{10, 20}, {13, 23}} << QList<QColor>{none, none};
        QTest::newRow("half opacity") << QList<float>{10, 20, unset, unset, unset, unset, unset, 0.5f}
                                      << "IMAGE_REANIM_RED"_ba << QList<QPoint>{{11, 21}} << QList<QColor>{half};
        QTest::newRow("scaled 2 by 3") << QList<float>{10, 20, 0, 0, 2, 3} << "IMAGE_REANIM_RED"_ba
                                       << QList<QPoint>{{17, 31}, {18, 25}, {12, 32}} << QList<QColor>{red, none, none};
        // (u, v) = (4, 0) goes to (10, 24) and (0, 4) to (6, 20): a quarter turn clockwise.
        QTest::newRow("kx = ky = 90") << QList<float>{10, 20, 90, 90} << "IMAGE_REANIM_RED"_ba
                                      << QList<QPoint>{{6, 20}, {9, 23}, {10, 21}, {7, 24}}
                                      << QList<QColor>{red, red, none, none};
    }

    void pixels()
    {
        QFETCH(QList<float>, fields);
        QFETCH(QByteArray, image);
        QFETCH(QList<QPoint>, at);
        QFETCH(QList<QColor>, colours);
        const QImage picture = qor::renderFrame(oneTrack(fields, image), 0, images, {{0, 0, 40, 40}, 1});
        QCOMPARE(picture.size(), QSize(40, 40));
        for (qsizetype n = 0; n < at.size(); ++n) {
            const QColor found = picture.pixelColor(at[n]);
            QVERIFY2(near(found, colours[n]), qPrintable(u"(%1, %2) is %3"_s.arg(at[n].x()).arg(at[n].y()).arg(
                                                  found.name(QColor::HexArgb))));
        }
    }

    void missingImageIsAPlaceholder()
    {
        const auto animation = oneTrack({10, 20}, "IMAGE_REANIM_NOWHERE");
        QCOMPARE(qor::toQRectF(qor::frameBounds(animation, 0, images)), QRectF(10, 20, 40, 40));
        const QImage picture = qor::renderFrame(animation, 0, images, {{0, 0, 64, 64}, 1});
        const QColor inside = picture.pixelColor(35, 50);
        QVERIFY(inside.alpha() > 0 && inside.alpha() < 255 && inside.blue() > inside.red());
        // The outline lies inside the 40 units: from pixel 10 to pixel 49.
        for (const QPoint outline : {QPoint(10, 45), QPoint(49, 45), QPoint(30, 20), QPoint(30, 59)})
            QCOMPARE(picture.pixelColor(outline).alpha(), 255);
        for (const QPoint outside : {QPoint(50, 45), QPoint(30, 60), QPoint(9, 45)})
            QCOMPARE(picture.pixelColor(outside), none);
    }

    // The child draws its red square at x = 4 k in its frame k of 6 (12 fps); its clip "x" is
    // frames 2 to 4. The parent (12 fps, 12 frames) attaches it through one track's text at
    // the origin, so where the square lies says which of the child's frames shows. Which frame
    // a clip, rate or end gives is the scene's (tests/core/scene_test.cpp); here, the files.
    void attachments_data()
    {
        QTest::addColumn<qor::ReanimTrack>("track");
        QTest::addColumn<int>("frame");
        QTest::addColumn<QRectF>("bounds");
        QTest::addColumn<QString>("problem");
        const auto square = [](int k) { return QRectF(4 * k, 0, 4, 4); };
        const auto text = [](const char *given) { return textTrack("t", 12, {{0, given}}); };
        QTest::newRow("the whole animation loops") << text("attacher__Child") << 7 << square(1) << QString();
        QTest::newRow("its name in any case") << text("attacher__cHILD") << 2 << square(2) << QString();
        QTest::newRow("once, then gone") << text("attacher__Child__anim_x[once]") << 3 << QRectF() << QString();
        QTest::newRow("restarts when the text changes")
            << textTrack("t", 12, {{0, "attacher__Child"}, {3, "attacher__Child[12]"}}) << 4 << square(1) << QString();
        QTest::newRow("nested: Outer attaches Child at x 100") << text("attacher__Outer") << 2
                                                               << square(2).translated(100, 0) << QString();
        QTest::newRow("a cycle is cut with one warning")
            << text("attacher__Loop1") << 0 << QRectF(0, 0, 4, 4) << u"go round: parent attaches loop1 attaches loop2"_s;
        QTest::newRow("a missing file is the placeholder")
            << text("attacher__Nobody") << 0 << QRectF(0, 0, 40, 40)
            << u"no attached animation Nobody: looked for Nobody.reanim.compiled or Nobody.reanim"_s;
        QTest::newRow("a missing clip plays all of it")
            << text("attacher__Child__anim_none") << 5 << square(5) << u"has no clip none"_s;
    }

    void attachments()
    {
        QFETCH(qor::ReanimTrack, track);
        QFETCH(int, frame);
        QFETCH(QRectF, bounds);
        QFETCH(QString, problem);
        const QTemporaryDir folder;
        const auto child = [](int frames) {
            qor::ReanimTrack square{"square", std::vector<qor::ReanimTransform>(size_t(frames))};
            for (int k = 0; k < frames; ++k)
                square.transforms[size_t(k)].x = 4.0f * float(k);
            square.transforms.front().i = "IMAGE_REANIM_RED";
            qor::Reanim reanim;
            reanim.tracks = {textTrack("anim_x", frames, {}, {{0, -1}, {2, 0}, {5, -1}}), square};
            return reanim;
        };
        qtdata::writeFile(folder.filePath(u"Child.reanim"_s), sample::textOf(child(6)));
        qor::Reanim outer;
        outer.tracks = {textTrack("inner", 6, {{0, "attacher__Child"}}, {}, {{0, 100}})};
        // A compiled file, read as its name says.
        qtdata::writeFile(folder.filePath(u"outer.reanim.compiled"_s), testcore::wrap(testcore::serialize(outer)));
        qor::Reanim loop1 = child(6);
        loop1.tracks.push_back(textTrack("next", 6, {{0, "attacher__Loop2"}}));
        qtdata::writeFile(folder.filePath(u"loop1.reanim"_s), sample::textOf(loop1));
        qor::Reanim loop2;
        loop2.tracks = {textTrack("back", 1, {{0, "attacher__Loop1"}})};
        qtdata::writeFile(folder.filePath(u"LOOP2.reanim"_s), sample::textOf(loop2));
        qor::Reanim parent;
        parent.tracks = {track};
        const qor::EvaluatedAnimation evaluated = qor::evaluate(parent);
        const qor::AttachedAnimations attached(folder.filePath(u"parent.reanim"_s), {});

        QCOMPARE(qor::toQRectF(qor::frameBounds(evaluated, frame, images, &attached)), bounds);
        const QImage picture = qor::renderFrame(evaluated, frame, images, {{-10, -10, 160, 60}, 1}, {{}, &attached});
        QCOMPARE(picture.pixelColor(QPointF(bounds.center() + QPointF(10, 10)).toPoint()).alpha() > 0, !bounds.isEmpty());
        QCOMPARE(attached.problems().size(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty())
            QVERIFY2(attached.problems().first().contains(problem), qPrintable(attached.problems().first()));
    }

    // The walker's clip "walk" (12 frames at 12 fps) as an animation from the command line:
    // every frame is the picture render --frame draws, and each shows for 1/12 s.
    void animatedExports_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("tolerance"); // GIF keeps 256 colours
        QTest::newRow("WebP") << u"walk.webp"_s << 0;
        QTest::newRow("GIF") << u"walk.gif"_s << 24;
    }

    void animatedExports()
    {
        QFETCH(QString, name);
        QFETCH(int, tolerance);
        const QTemporaryDir folder;
        const QString walker = sample::writeWalker(folder.path());
        const QStringList common{u"render"_s, walker, u"--clip"_s, u"walk"_s, u"--images"_s, folder.filePath(u"images"_s)};
        const auto run = [&](const QStringList &more) {
            return runProgram(QStringLiteral(QORUTIL_CLI), common + more).exitCode == 0;
        };
        const QString path = folder.filePath(name);
        QVERIFY(run({u"--animation"_s, path}));
        const animations::Decoded decoded = name.endsWith(u".gif"_s) ? animations::decodeGif(path)
                                                                     : animations::decodeWebP(qtdata::readFile(path));
        QCOMPARE(decoded.frames.size(), sample::walkFrames);
        QCOMPARE(decoded.loops, 0);
        const int unit = name.endsWith(u".gif"_s) ? 10 : 1;
        int total = 0;
        for (const int delay : decoded.delaysMs) {
            QVERIFY2(std::abs(delay - 1000 / 12) <= unit, qPrintable(QString::number(delay)));
            total += delay;
        }
        QVERIFY(std::abs(total - 1000) <= unit);
        for (const int frame : {0, 7}) {
            const QString still = folder.filePath(u"still%1.png"_s.arg(frame));
            QVERIFY(run({u"--frame"_s, QString::number(frame), u"-o"_s, still}));
            const QImage expected = QImage(still).convertToFormat(QImage::Format_RGBA8888);
            const QImage &found = decoded.frames[frame];
            QCOMPARE(found.size(), expected.size());
            int differing = 0;
            for (int y = 0; y < expected.height(); ++y) {
                for (int x = 0; x < expected.width(); ++x) {
                    const QColor want = expected.pixelColor(x, y);
                    const QColor got = found.pixelColor(x, y);
                    const bool same = tolerance == 0
                                          ? (want.alpha() == 0 ? got.alpha() == 0 : want == got)
                                          : (want.alpha() < 128 ? got.alpha() == 0
                                                                : got.alpha() == 255 && near(got, QColor(want.rgb()), tolerance));
                    differing += same ? 0 : 1;
                }
            }
            // GIF leaves out or keeps whole the half-clear pixels of antialiased edges.
            QVERIFY2(differing <= (tolerance == 0 ? 0 : expected.width() * expected.height() / 50),
                     qPrintable(u"%1 pixels differ in frame %2"_s.arg(differing).arg(frame)));
        }
    }

    void everyClipAndTheSheetsDescription()
    {
        const QTemporaryDir folder;
        const QString walker = sample::writeWalker(folder.path());
        const QString out = folder.filePath(u"out"_s);
        const QStringList arguments{u"render"_s, walker, u"--all-clips"_s, out, u"--columns"_s, u"5"_s, u"--padding"_s, u"2"_s};
        QCOMPARE(runProgram(QStringLiteral(QORUTIL_CLI), arguments).exitCode, 0);
        QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name),
                 (QStringList{u"walker-idle.json"_s, u"walker-idle.png"_s, u"walker-walk.json"_s, u"walker-walk.png"_s}));
        const QImage sheet(QDir(out).filePath(u"walker-walk.png"_s));
        const QJsonObject description =
            QJsonDocument::fromJson(qtdata::readFile(QDir(out).filePath(u"walker-walk.json"_s))).object();
        const QJsonArray frames = description[u"frames"_s].toArray();
        QCOMPARE(frames.size(), sample::walkFrames);
        const QJsonObject last = frames.last().toObject();
        const int width = last[u"width"_s].toInt();
        const int height = last[u"height"_s].toInt();
        // 12 cells in rows of 5, 2 pixels clear around each: the last is the second of row 3.
        QCOMPARE(QPoint(last[u"x"_s].toInt(), last[u"y"_s].toInt()), QPoint(2 + (width + 2), 2 + 2 * (height + 2)));
        QCOMPARE(sheet.size(), QSize(5 * (width + 2) + 2, 3 * (height + 2) + 2));
        QCOMPARE(description[u"width"_s].toInt(), sheet.width());
        const QJsonObject origin = description[u"origin"_s].toObject();
        const QRectF bounds = qor::toQRectF(qor::clipBounds(qor::evaluate(sample::walker()), {"walk", 0, sample::walkFrames}, qor::ImageLibrary()));
        // The text keeps three decimals of the walker's values.
        QVERIFY(QLineF(QPointF(origin[u"x"_s].toDouble(), origin[u"y"_s].toDouble()), -bounds.topLeft()).length() < 0.01);
    }

    void imagesFailWithTheirReasonsAndTheCacheKeepsItsBudget()
    {
        const QTemporaryDir folder;
        QImage big(300, 300, QImage::Format_ARGB32);
        big.fill(red);
        for (int n = 0; n < 6; ++n)
            QVERIFY(big.save(folder.filePath(u"big%1.png"_s.arg(n))));
        qtdata::writeFile(folder.filePath(u"broken.png"_s), "\x89PNG\r\n\x1a\n not really");
        // A PNG whose header claims 20000 x 20000 pixels.
        QByteArray huge = qtdata::readFile(folder.filePath(u"big0.png"_s));
        const QByteArray side = QByteArray::fromHex("00004E20");
        huge.replace(16, 4, side).replace(20, 4, side);
        const quint32 crc = quint32(crc32(0, reinterpret_cast<const uchar *>(huge.constData()) + 12, 17));
        huge.replace(29, 4, QByteArray::fromHex(QByteArray::number(crc, 16).rightJustified(8, '0')));
        qtdata::writeFile(folder.filePath(u"huge.png"_s), huge);

        const qint64 budget = qint64(3) * 300 * 300 * 4;
        const qor::ImageLibrary library(folder.path(), budget);
        for (int n = 0; n < 6; ++n)
            QCOMPARE(library.image(u"IMAGE_REANIM_BIG%1"_s.arg(n).toStdString()).size(), QSize(300, 300));
        QVERIFY(library.cachedBytes() <= budget);
        QVERIFY(library.cachedBytes() >= 2 * 300 * 300 * 4);
        for (const char *name : {"broken", "huge", "gone"})
            QVERIFY(library.image(name).isNull());
        const QStringList failures = library.failures();
        QCOMPARE(failures.size(), 3);
        QVERIFY2(failures[0].startsWith(u"broken: "_s) && failures[0].contains(u"does not read"_s), qPrintable(failures[0]));
        QVERIFY2(failures[1].startsWith(u"gone: no gone.png or gone.jpg"_s), qPrintable(failures[1]));
        QVERIFY2(failures[2].contains(u"too large: 20000 x 20000 pixels"_s), qPrintable(failures[2]));
    }

    // A square at x 10, 20, 30 (y 20) in frames 0 to 2; the clip "go" is frames 1 and 2.
    void renderCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<QPoint>>("redAt");
        QTest::addColumn<QList<QPoint>>("clearAt");
        QTest::addColumn<QString>("says"); // on stderr; "-" for nothing at all
        const auto row = [](const char *name, QStringList arguments, int code, QSize size = {0, 0},
                            QList<QPoint> redAt = {}, QList<QPoint> clearAt = {}, QString says = {}) {
            QTest::newRow(name) << arguments << code << size << redAt << clearAt << says;
        };
        row("first frame", {}, 0, {24, 4}, {{0, 0}, {3, 3}}, {{4, 0}, {20, 0}});
        row("frame 2", {u"--frame"_s, u"2"_s}, 0, {24, 4}, {{20, 0}}, {{0, 0}});
        row("frame 1 of a clip", {u"--clip"_s, u"go"_s, u"--frame"_s, u"1"_s}, 0, {14, 4}, {{10, 0}}, {{0, 0}});
        row("bounds and scale", {u"--bounds"_s, u"0,0,50,50"_s, u"--scale"_s, u"2"_s, u"--frame"_s, u"1"_s}, 0,
            {100, 100}, {{40, 40}, {47, 47}}, {{48, 40}, {39, 40}});
        row("sheet", {u"--sheet"_s}, 0, {48, 8}, {{0, 0}, {34, 0}, {20, 4}}, {{0, 4}, {24, 4}});
        row("sheet one cell wide, 2 pixels around each",
            {u"--clip"_s, u"go"_s, u"--sheet"_s, u"--columns"_s, u"1"_s, u"--padding"_s, u"2"_s}, 0, {18, 14},
            {{2, 2}, {12, 8}}, {{0, 0}, {1, 2}, {16, 2}, {2, 8}});
        row("quiet", {u"-q"_s}, 0, {24, 4}, {{0, 0}}, {}, u"-"_s);
        row("too large, said in pixels", {u"--bounds"_s, u"0,0,20000,20000"_s}, 1, {0, 0}, {}, {},
            u"20000 x 20000 pixels, more than the 268435456 pixels a picture may have"_s);
        row("no such clip", {u"--clip"_s, u"run"_s}, 1);
        row("past the last frame", {u"--frame"_s, u"3"_s}, 1);
        row("no image folder", {u"--images"_s, u"/no/such/folder"_s}, 1);
        row("frame and sheet", {u"--frame"_s, u"1"_s, u"--sheet"_s}, 2);
        row("scale 0", {u"--scale"_s, u"0"_s}, 2);
    }

    void renderCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QSize, size);
        QFETCH(QList<QPoint>, redAt);
        QFETCH(QList<QPoint>, clearAt);
        QFETCH(QString, says);
        const QString input = dir.filePath(u"square.reanim"_s);
        const QString output = dir.filePath(u"out.png"_s);
        QFile::remove(output);
        qtdata::writeFile(input, "<fps>12</fps>\n<track><name>anim_go</name><t><f>-1</f></t><t><f>0</f></t><t></t></track>\n"
                                 "<track><name>square</name><t><x>10</x><y>20</y><i>IMAGE_REANIM_RED</i></t>"
                                 "<t><x>20</x></t><t><x>30</x></t></track>\n");
        const auto quiet = [&](QProcess &cli) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"XDG_RUNTIME_DIR"_s, dir.path());
            cli.setProcessEnvironment(environment);
        };
        const Run run = runProgram(QStringLiteral(QORUTIL_CLI),
                                   QStringList{u"render"_s, input, u"--images"_s, dir.path(), u"-o"_s, output} + arguments, quiet);
        QCOMPARE(run.exitCode, code);
        const QString &errors = run.err;
        if (says == u"-")
            QCOMPARE(errors, QString());
        else
            QVERIFY2(errors.contains(says), qPrintable(errors));
        const QImage picture(output);
        QCOMPARE(picture.size(), size);
        for (const QPoint at : redAt)
            QCOMPARE(picture.pixelColor(at), red);
        for (const QPoint at : clearAt)
            QCOMPARE(picture.pixelColor(at).alpha(), 0);
    }

    // render ends whatever it is given, names what it leaves out, and never writes over its
    // input. Beside the input "in.anim" lie "hard.png", a hard link to it, "soft.png", a
    // symbolic one, and the image folder "piped" whose "piped.png" is a link to a pipe.
    void renderEndsAndKeepsItsInput_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QSize>("size");
        const QByteArray square = "<track><name>square</name><t><x>10</x><y>20</y><i>IMAGE_REANIM_PIPED</i></t></track>";
        const QStringList out{u"-o"_s, u"out.png"_s};
        QTest::newRow("an image that is a link to a pipe")
            << square << QStringList{u"--images"_s, u"piped"_s} + out << 0 << u"Rendered 40x40"_s << QSize(40, 40);
        QTest::newRow("the input as output") << square << QStringList{u"-o"_s, u"in.anim"_s} << 1
                                             << u"ERROR: the output in.anim is the input itself"_s << QSize(0, 0);
        QTest::newRow("a hard link to the input as output") << square << QStringList{u"-o"_s, u"hard.png"_s} << 1
                                                            << u"is the input itself"_s << QSize(0, 0);
        QTest::newRow("a symbolic link to the input as output") << square << QStringList{u"-o"_s, u"soft.png"_s} << 1
                                                                << u"is the input itself"_s << QSize(0, 0);
        // Bounds and cells worked out frame by frame over every track would take 10^10 steps.
        std::vector<qtdata::Track> tracks(1000000);
        qtdata::Track &walk = tracks.emplace_back(qtdata::Track{"walk", std::vector<qtdata::Frame>(10000)});
        walk.frames[0].image = "IMG";
        QTest::newRow("a million empty tracks beside one of 10,000 frames")
            << testcore::wrap(qtdata::buildBody(12, tracks)) << QStringList{u"--sheet"_s, u"--scale"_s, u"0.1"_s} + out
            << 0 << u"Rendered 400x400"_s << QSize(400, 400);
        QTest::newRow("a value no picture can place is left out")
            << QByteArray("<track><name>lost</name><t><x>nan</x><i>LOST</i></t></track>") + square << out << 0
            << u"warning: track 0 \"lost\", frame 0: x is nan, which no picture can place; it is left out"_s
            << QSize(40, 40);
        QTest::newRow("a value too far to draw is named")
            << square + "<track><name>far</name><t><x>100000</x><i>FAR</i></t></track>" << out << 1
            << u"track 1 \"far\", frame 0 reaches farthest from the origin"_s << QSize(0, 0);
    }
    void renderEndsAndKeepsItsInput()
    {
#ifndef Q_OS_UNIX
        QSKIP("makes pipes and links");
#else
        QFETCH(QByteArray, input);
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, says);
        QFETCH(QSize, size);
        QTemporaryDir folder;
        const auto at = [&](const char *name) { return folder.filePath(QLatin1String(name)); };
        qtdata::writeFile(at("in.anim"), input);
        QVERIFY(QFile::link(at("in.anim"), at("soft.png")));
        QCOMPARE(::link(QFile::encodeName(at("in.anim")).constData(), QFile::encodeName(at("hard.png")).constData()), 0);
        QVERIFY(QDir(folder.path()).mkdir(u"piped"_s));
        QCOMPARE(mkfifo(QFile::encodeName(at("piped/fifo")).constData(), 0600), 0);
        QVERIFY(QFile::link(at("piped/fifo"), at("piped/piped.png")));
        const Run run = runProgram(QStringLiteral(QORUTIL_CLI), QStringList{u"render"_s, u"in.anim"_s} + arguments,
                                   [&](QProcess &cli) { cli.setWorkingDirectory(folder.path()); });
        QCOMPARE(run.exitCode, code); // -1 when it did not end
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QCOMPARE(qtdata::readFile(at("in.anim")), input);
        QCOMPARE(QImage(at("out.png")).size(), size);
#endif
    }
};

QTEST_MAIN(tst_Render)
#include "tst_render.moc"
