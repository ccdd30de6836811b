#include "coreadapter.h"
#include "core/format/bodyreader.h"
#include "core/format/bodywriter.h"
#include "core/format/compiler.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"
#include "core/format/xmlreader.h"
#include "recordinglog.h"
#include "testdata.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <initializer_list>

using testdata::Frame;
using testdata::Track;
using namespace Qt::StringLiterals;

// Text to compiled file: the reader's rules, the serializer, and round trips through both ways.
namespace {

// The body inside a compiled file, read back with zlib alone.
QByteArray bodyOf(const QByteArray &file)
{
    QByteArray qtForm = file.mid(4, 4);
    std::reverse(qtForm.begin(), qtForm.end());
    return file.size() < 8 ? "<no file>" : qUncompress(qtForm + file.mid(8));
}

Frame frame(std::initializer_list<std::pair<int, float>> fields, QByteArray image = {})
{
    Frame made;
    for (const auto &[index, value] : fields)
        made.fields[size_t(index)] = value;
    made.image = std::move(image);
    return made;
}

} // namespace

class tst_Compile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    const QString inPath = dir.filePath(QStringLiteral("walk.reanim"));
    const QString outPath = dir.filePath(QStringLiteral("walk.reanim.compiled"));

    bool compile(const QByteArray &text, RecordingLog &log)
    {
        testdata::writeFile(inPath, text);
        return testcore::compileFile(inPath, outPath, log);
    }

private slots:
    void textsCompileToTheirBodies_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("body");
        const auto body = [](std::vector<Track> tracks, float fps = 12) { return testdata::buildBody(fps, tracks); };
        Frame strings = frame({}, "I");
        strings.font = "Arial";
        strings.text = "Music & Sound";
        QTest::newRow("24 bytes") << QByteArray("<fps>12</fps>") << body({});
        QTest::newRow("worked example") << testdata::workedExampleText << testdata::workedExampleBody();
        QTest::newRow("101 bytes") << QByteArray("<track><name>a</name><t><x>1</x></t></track>") << body({{"a", {frame({{0, 1}})}}});
        QTest::newRow("font and text") << QByteArray("<track><t><i>I</i><font>Arial</font><text>Music &amp; Sound</text></t></track>")
                                       << body({{"", {strings}}});
        QTest::newRow("empty file, fps defaults") << QByteArray() << body({});
        QTest::newRow("fps rules") << QByteArray("<fps>1</fps><fps> 30 </fps><track><fps>5</fps></track>") << body({{"", {}}}, 30);
        QTest::newRow("fps with a point") << QByteArray("<fps>12.5</fps>") << body({}, 12.5f);
        QTest::newRow("fps not a number") << QByteArray("<fps>fast</fps>") << body({}, 0);
        QTest::newRow("nested text counts") << QByteArray("<fps><b>2</b>4</fps>") << body({}, 24);
        QTest::newRow("fields: empty, bad, later wins, unset")
            << QByteArray("<track><t><x></x><y>abc</y><a>0.500</a><a>2</a><kx>-10000</kx><X>7</X></t></track>")
            << body({{"", {frame({{0, 0}, {1, 0}, {7, 2}})}}});
        QTest::newRow("nothing carried over")
            << QByteArray("<track><t><x>1</x><i>A</i></t><t><i>B</i></t></track>")
            << body({{"", {frame({{0, 1}}, "A"), frame({}, "B")}}});
        QTest::newRow("second name wins, others ignored")
            << QByteArray("<meta/><track><blend>1</blend><name>one</name><name>2nd</name></track>") << body({{"2nd", {}}});
        QTest::newRow("comment ends a track's walk")
            << QByteArray("<fps>6</fps><!-- c --><track><t><x>1</x></t><!-- stop --><t/></track>")
            << body({{"", {frame({{0, 1}})}}}, 6);
        QTest::newRow("text ends a frame's walk") << QByteArray("<track><t><x>1</x>junk<y>2</y></t></track>")
                                                  << body({{"", {frame({{0, 1}})}}});
        QTest::newRow("wrapped or stray elements unseen")
            << QByteArray("<group><track><name>a</name></track></group><t><x>1</x></t>") << body({});
        QTest::newRow("entities, CDATA, UTF-8 Latin-1")
            << QByteArray("<track><name>a&amp;b&lt;&gt;</name><t><i><![CDATA[a<b]]></i></t></track>"
                          "<track><name>caf\xC3\xA9</name></track>")
            << body({{"a&b<>", {frame({}, "a<b")}}, {"caf\xE9", {}}});
    }
    void textsCompileToTheirBodies()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, body);
        RecordingLog log;
        QVERIFY(compile(text, log));
        const QByteArray file = testdata::readFile(outPath);
        QCOMPARE(bodyOf(file), body);
        QCOMPARE(file, testcore::wrap(body));
    }

    void successfulRunLogsEachStage()
    {
        RecordingLog log;
        compile(testdata::workedExampleText + "<track></track>", log);
        QCOMPARE(log.lines, (QStringList{QStringLiteral("Read %1 44").arg(testdata::workedExampleText.size() + 15),
                                         QLatin1String("Compile ") + inPath, u"anim 1"_s, u" 0"_s, u"Compress ..."_s,
                                         QLatin1String("Compiled finish [") + outPath + QLatin1Char(']')}));
        qor::Reanim reanim;
        reanim.tracks.push_back({"a", {qor::ReanimTransform{}}});
        QCOMPARE(testcore::serialize(reanim).size(), 101);
    }

    void roundTripsThroughBothConverters()
    {
        QRandomGenerator random(1206);
        for (int run = 0; run < 300; ++run) {
            const QByteArray body = testdata::buildBody(float(random.bounded(-20, 480)) / 4, testdata::randomTracks(random));
            RecordingLog log;
            qor::Reanim model = testcore::readBody(body, log).value();
            QCOMPARE(testcore::serialize(model), body);
            testdata::writeFile(outPath, testcore::wrap(body));
            QVERIFY(testcore::decompileFile(outPath, inPath, log));
            const QByteArray text = testdata::readFile(inPath);
            QVERIFY2(compile(text, log), qPrintable(log.lines.join(u'\n')));
            QVERIFY2(bodyOf(testdata::readFile(outPath)) == body, text.constData());
            QVERIFY(testcore::decompileFile(outPath, inPath, log));
            QCOMPARE(testdata::readFile(inPath), text);
        }
    }

    void failuresWriteNothing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("lastLines");
        const QByteArray n256(256, 'n');
        const auto lines = [](const char *last) { return QStringList{u"setcontent"_s, QString::fromUtf8(last)}; };
        QTest::newRow("bare ampersand") << QByteArray("<fps>1</fps>\n<track><name>a&b</name></track>")
                                        << lines("ERROR: the text is not well-formed XML at line 2, column");
        QTest::newRow("XML declaration") << QByteArray("<?xml version=\"1.0\"?>\n<fps>1</fps>")
                                         << lines("ERROR: the text is not well-formed XML at line 1, column");
        QTest::newRow("document type with entities")
            << QByteArray("<!DOCTYPE x [<!ENTITY a \"aaaa\">]><track><name>&a;</name></track>")
            << lines("ERROR: the text is not well-formed XML at line 1, column 3: a document type declaration");
        QTest::newRow("unclosed") << QByteArray("<track>") << lines("ERROR: the text is not well-formed XML at line 1");
        QTest::newRow("invalid UTF-8") << QByteArray("<fps>1</fps>\n<name>ab\xE9</name>")
                                       << lines("ERROR: the text is not UTF-8 (a reanim text must be UTF-8): the byte 0xE9 "
                                                "at line 2, column 9 is not part of a UTF-8 character");
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFE<\0f\0p\0s\0>\0", 12)
                                << lines("ERROR: the text is UTF-16; a reanim text must be UTF-8");
        QTest::newRow("NUL byte") << QByteArray("<name>a\0b</name>", 15)
                                  << lines("ERROR: the text is not well-formed XML at line 1, column 8: the control character U+0000,");
        QTest::newRow("long track name") << "<track><name>" + n256 + "</name></track>"
                                         << QStringList{u"ERROR: track 0: the name is 256 bytes long"_s};
        QTest::newRow("long image") << "<track><name>b</name><t/><t><i>" + n256 + "</i></t></track>"
                                    << QStringList{u"ERROR: track 0 \"b\": the image name is 256 bytes long, more than 255 in frame 1"_s};
        QTest::newRow("long font") << "<track><t><font>" + n256 + "</font></t></track>"
                                   << QStringList{u"ERROR: track 0: the font name is 256"_s};
        QTest::newRow("long text after 255") << "<track><name>" + n256.left(255) + "</name></track><track><t><text>" + n256 +
                                                    "</text></t></track>"
                                             << QStringList{u"ERROR: track 1: the text is 256"_s};
        QTest::newRow("nested past the limit") << "<track><t>" + QByteArray("<u>").repeated(150000) + "</t></track>"
                                               << QStringList{u"ERROR: the elements nest more than 10000 deep at line 1"_s};
        QTest::newRow("last code point") << QByteArray("<track><name>&#x10FFFF;</name></track>")
                                         << QStringList{u"ERROR: track 0: the name holds a character outside Latin-1 (U+10FFFF)"_s};
        QTest::newRow("outside Latin-1") << QByteArray("<track><name>a</name><t><i>\xE2\x82\xAC</i></t></track>")
                                         << QStringList{u"ERROR: track 0 \"a\": the image name holds a character outside Latin-1 (U+20AC)"_s};
    }
    void failuresWriteNothing()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, lastLines);
        testdata::writeFile(outPath, "old compiled bytes");
        RecordingLog log;
        testdata::writeFile(inPath, text);
        QVERIFY(!testcore::compileFile(inPath, outPath, log));
        const QStringList last = log.lines.mid(log.lines.size() - lastLines.size());
        for (qsizetype n = 0; n < lastLines.size(); ++n)
            QVERIFY2(last.value(n).startsWith(lastLines[n]), qPrintable(log.lines.join(u'\n')));
        QCOMPARE(testdata::readFile(outPath), QByteArray("old compiled bytes"));
    }

    void missingInputAndUnwritableOutput()
    {
        const QString missing = dir.filePath(QStringLiteral("missing.reanim"));
        RecordingLog log;
        QVERIFY(!testcore::compileFile(missing, missing + QStringLiteral(".compiled"), log));
        QCOMPARE(log.lines, (QStringList{QLatin1String("File not found ") + missing, QLatin1String("Compile ") + missing,
                                         u"open fail"_s}));
        QVERIFY(!QFile::exists(missing + QStringLiteral(".compiled")));

        testdata::writeFile(inPath, testdata::workedExampleText);
        const QString target = inPath + QStringLiteral("/walk.reanim.compiled");
        QVERIFY(!testcore::compileFile(inPath, target, log));
        QVERIFY2(log.lines.last().startsWith(QLatin1String("ERROR: cannot write ") + QDir::toNativeSeparators(target)),
                 qPrintable(log.lines.last()));
    }
};

QTEST_APPLESS_MAIN(tst_Compile)
#include "tst_compile.moc"
