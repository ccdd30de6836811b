#include "render/framepainter.h"
#include "render/picture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

constexpr float unset = qor::unsetValue;
const QColor red(255, 0, 0);
const QColor none(0, 0, 0, 0);

// One track of one frame with the fields x, y, kx, ky, sx, sy, f, a in that order.
qor::EvaluatedAnimation oneTrack(const QList<float> &fields, const QByteArray &image)
{
    qor::ReanimTransform frame;
    float *const targets[] = {&frame.x, &frame.y, &frame.kx, &frame.ky, &frame.sx, &frame.sy, &frame.f, &frame.a};
    for (qsizetype n = 0; n < fields.size(); ++n)
        *targets[n] = fields[n];
    frame.i = image;
    qor::Reanim reanim;
    reanim.tracks.push_back({"part", {frame}});
    return qor::evaluate(reanim);
}

bool near(QColor a, QColor b)
{
    const auto close = [](int x, int y) { return std::abs(x - y) <= 2; };
    return close(a.red(), b.red()) && close(a.green(), b.green()) && close(a.blue(), b.blue())
           && close(a.alpha(), b.alpha());
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
        const QImage picture = qor::renderFrame(oneTrack(fields, image), 0, images, {QRectF(0, 0, 40, 40), 1});
        QCOMPARE(picture.size(), QSize(40, 40));
        for (qsizetype n = 0; n < at.size(); ++n) {
            const QColor found = picture.pixelColor(at[n]);
            QVERIFY2(near(found, colours[n]), qPrintable(u"(%1, %2) is %3"_s.arg(at[n].x()).arg(at[n].y()).arg(
                                                  found.name(QColor::HexArgb))));
        }
    }

    void skewMovesTheCorners()
    {
        // sx 2, kx 30: (4, 0) -> (5 + 8 cos 30, 7 + 8 sin 30); ky 60: (0, 4) -> (5 - 4 sin 60, 7 + 4 cos 60).
        const auto animation = oneTrack({5, 7, 30, 60, 2, 1}, "IMAGE_REANIM_RED");
        const QTransform map = qor::placement(animation.tracks[0].frames[0]);
        const QPointF corners[] = {map.map(QPointF(0, 0)), map.map(QPointF(4, 0)), map.map(QPointF(0, 4))};
        const QPointF expected[] = {{5, 7}, {11.92820, 11}, {1.535898, 9}};
        for (int n = 0; n < 3; ++n)
            QVERIFY2(QLineF(corners[n], expected[n]).length() < 1e-4, qPrintable(QString::number(n)));
        QCOMPARE(qor::frameBounds(animation, 0, images).toAlignedRect(), QRect(1, 7, 11, 6));
    }

    void missingImageIsAPlaceholder()
    {
        const auto animation = oneTrack({10, 20}, "IMAGE_REANIM_NOWHERE");
        QCOMPARE(qor::frameBounds(animation, 0, images), QRectF(10, 20, 40, 40));
        const QImage picture = qor::renderFrame(animation, 0, images, {QRectF(0, 0, 64, 64), 1});
        const QColor inside = picture.pixelColor(35, 50);
        QVERIFY(inside.alpha() > 0 && inside.alpha() < 255 && inside.blue() > inside.red());
        QCOMPARE(picture.pixelColor(10, 45).alpha(), 255); // the outline
        QCOMPARE(picture.pixelColor(52, 45), none);
    }

    void sheetGrid_data()
    {
        QTest::addColumn<int>("frames");
        QTest::addColumn<QSize>("grid");
        QTest::newRow("none") << 0 << QSize();
        QTest::newRow("one") << 1 << QSize(1, 1);
        QTest::newRow("two") << 2 << QSize(2, 1);
        QTest::newRow("four") << 4 << QSize(2, 2);
        QTest::newRow("five") << 5 << QSize(3, 2);
        QTest::newRow("hundred") << 100 << QSize(10, 10);
        QTest::newRow("hundred and one") << 101 << QSize(11, 10);
    }

    void sheetGrid()
    {
        QFETCH(int, frames);
        QFETCH(QSize, grid);
        QCOMPARE(qor::sheetGrid(frames), grid);
    }

    void sheetCellsShareTheClipsBox()
    {
        // Frames 1 to 5 of a square moving 10 units right per frame: the box is 44 by 4.
        qor::Reanim reanim;
        qor::ReanimTrack &track = reanim.tracks.emplace_back();
        for (int frame = 0; frame < 6; ++frame)
            track.transforms.push_back({.x = 10.0f * frame, .y = 3, .i = frame == 0 ? "red" : "", .font = {}, .text = {}});
        const auto animation = qor::evaluate(reanim);
        const qor::Clip clip{"", 1, 5};
        const qor::Framing cell = qor::clipFraming(animation, clip, images, 1);
        QCOMPARE(cell.area, QRectF(10, 3, 44, 4));
        const QImage sheet = qor::renderSheet(animation, clip, images, cell, {});
        QCOMPARE(sheet.size(), QSize(3 * 44, 2 * 4));
        for (int index = 0; index < 6; ++index) {
            const QPoint corner(index % 3 * 44, index / 3 * 4);
            QCOMPARE(sheet.pixelColor(corner + QPoint(index < 5 ? 10 * index : 0, 0)), index < 5 ? red : none);
        }
    }

    // A square at x 10, 20, 30 (y 20) in frames 0 to 2; the clip "go" is frames 1 and 2.
    void renderCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<QPoint>>("redAt");
        QTest::addColumn<QList<QPoint>>("clearAt");
        const auto row = [](const char *name, QStringList arguments, int code, QSize size = {0, 0},
                            QList<QPoint> redAt = {}, QList<QPoint> clearAt = {}) {
            QTest::newRow(name) << arguments << code << size << redAt << clearAt;
        };
        row("first frame", {}, 0, {24, 4}, {{0, 0}, {3, 3}}, {{4, 0}, {20, 0}});
        row("frame 2", {u"--frame"_s, u"2"_s}, 0, {24, 4}, {{20, 0}}, {{0, 0}});
        row("frame 1 of a clip", {u"--clip"_s, u"go"_s, u"--frame"_s, u"1"_s}, 0, {14, 4}, {{10, 0}}, {{0, 0}});
        row("bounds and scale", {u"--bounds"_s, u"0,0,50,50"_s, u"--scale"_s, u"2"_s, u"--frame"_s, u"1"_s}, 0,
            {100, 100}, {{40, 40}, {47, 47}}, {{48, 40}, {39, 40}});
        row("sheet", {u"--sheet"_s}, 0, {48, 8}, {{0, 0}, {34, 0}, {20, 4}}, {{0, 4}, {24, 4}});
        row("no such clip", {u"--clip"_s, u"run"_s}, 1);
        row("past the last frame", {u"--frame"_s, u"3"_s}, 1);
        row("no image folder", {u"--images"_s, u"/no/such/folder"_s}, 1);
        row("frame and sheet", {u"--frame"_s, u"1"_s, u"--sheet"_s}, 2);
        row("scale 0", {u"--scale"_s, u"0"_s}, 2);
        row("three bounds", {u"--bounds"_s, u"1,2,3"_s}, 2);
        row("negative frame", {u"--frame"_s, u"-1"_s}, 2);
    }

    void renderCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QSize, size);
        QFETCH(QList<QPoint>, redAt);
        QFETCH(QList<QPoint>, clearAt);
        const QString input = dir.filePath(u"square.reanim"_s);
        const QString output = dir.filePath(u"out.png"_s);
        QFile::remove(output);
        QFile text(input);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("<fps>12</fps>\n<track><name>anim_go</name><t><f>-1</f></t><t><f>0</f></t><t></t></track>\n"
                   "<track><name>square</name><t><x>10</x><y>20</y><i>IMAGE_REANIM_RED</i></t>"
                   "<t><x>20</x></t><t><x>30</x></t></track>\n");
        text.close();
        QProcess cli;
        cli.start(QStringLiteral(QORUTIL_CLI), QStringList{u"render"_s, input, u"--images"_s, dir.path(), u"-o"_s,
                                                            output} + arguments);
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), code);
        const QImage picture(output);
        QCOMPARE(picture.size(), size);
        for (const QPoint at : redAt)
            QCOMPARE(picture.pixelColor(at), red);
        for (const QPoint at : clearAt)
            QCOMPARE(picture.pixelColor(at).alpha(), 0);
    }
};

QTEST_MAIN(tst_Render)
#include "tst_render.moc"
