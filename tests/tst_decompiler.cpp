#include "core/container.h"
#include "core/decompiler.h"
#include "recordinglog.h"
#include "testdata.h"

#include <QTemporaryDir>
#include <QtTest>

using testdata::Frame;
using testdata::Track;
using testdata::unset;

class tst_Decompiler : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    const QString outPath = dir.filePath(QStringLiteral("out.reanim"));

    QByteArray decompile(const QByteArray &body, RecordingLog &log)
    {
        QFile::remove(outPath);
        if (!qor::decompileBody(body, outPath, log))
            return "<failed>";
        return testdata::readFile(outPath);
    }

private slots:
    void workedExampleGivesItsFiveLines()
    {
        const QString inPath = dir.filePath(QStringLiteral("walk.reanim.compiled"));
        testdata::writeFile(inPath, qor::frameBody(testdata::workedExampleBody()));
        RecordingLog log;
        QVERIFY(qor::decompressFile(inPath, outPath, log));
        QCOMPARE(testdata::readFile(outPath), testdata::workedExampleText);
        QCOMPARE(log.lines, (QStringList{QStringLiteral("Read %1 44").arg(QFileInfo(inPath).size()),
                                         QLatin1String("Decompress [") + inPath + QLatin1String("] ..."),
                                         QLatin1String("Decompile finish [") + outPath + QLatin1Char(']')}));
    }

    void bodiesGiveTheirText_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("text");
        Frame allFields;
        allFields.fields = {1.0f, -2.5f, 0.0f, 0.0625f, -0.0001f, 1234567.0f, -10000.5f, 0.1f};
        Frame imageOnly;
        imageOnly.image = "IMG";
        Frame zeroFirstByte;
        zeroFirstByte.image = QByteArray("\0abc", 4);
        Frame withStrings;
        withStrings.fields[0] = 3.0f;
        withStrings.image = "credits";
        withStrings.font = "Arial";
        withStrings.text = "Music & Sound";
        Frame textOnly;
        textOnly.text = "hello";
        Frame markup;
        markup.image = "<b>&amp;</b>";
        Frame latin1;
        latin1.image = "caf\xE9\xFF";

        QTest::newRow("no tracks") << testdata::buildBody(12, {}) << QByteArray("<fps>12</fps>\n");
        QTest::newRow("negative fps") << testdata::buildBody(-7, {}) << QByteArray("<fps>-7</fps>\n");
        QTest::newRow("track without frames")
            << testdata::buildBody(12, {Track{"head", {}}})
            << QByteArray("<fps>12</fps>\n<track>\n<name>head</name>\n</track>\n");
        QTest::newRow("empty name, empty frame")
            << testdata::buildBody(12, {Track{"", {Frame{}}}})
            << QByteArray("<fps>12</fps>\n<track>\n<name></name>\n<t></t>\n</track>\n");
        QTest::newRow("all eight fields")
            << testdata::buildBody(30, {Track{"a", {allFields}}})
            << QByteArray("<fps>30</fps>\n<track>\n<name>a</name>\n<t><x>1.000</x><y>-2.500</y><kx>0.000</kx>"
                          "<ky>0.062</ky><sx>-0.000</sx><sy>1234567.000</sy><f>-10000.500</f><a>0.100</a></t>\n</track>\n");
        QTest::newRow("image with a zero first byte")
            << testdata::buildBody(12, {Track{"a", {zeroFirstByte}}})
            << QByteArray("<fps>12</fps>\n<track>\n<name>a</name>\n<t><i></i></t>\n</track>\n");
        QTest::newRow("name cut at a zero byte")
            << testdata::buildBody(12, {Track{QByteArray("ab\0cd", 5), {}}})
            << QByteArray("<fps>12</fps>\n<track>\n<name>ab</name>\n</track>\n");
        QTest::newRow("font and text strings")
            << testdata::buildBody(12, {Track{"credits", {withStrings, textOnly}}})
            << QByteArray("<fps>12</fps>\n<track>\n<name>credits</name>\n"
                          "<t><x>3.000</x><i>credits</i><font>Arial</font><text>Music &amp; Sound</text></t>\n"
                          "<t><text>hello</text></t>\n</track>\n");
        QTest::newRow("markup escaped")
            << testdata::buildBody(12, {Track{"a<b>&c", {markup}}})
            << QByteArray("<fps>12</fps>\n<track>\n<name>a&lt;b&gt;&amp;c</name>\n"
                          "<t><i>&lt;b&gt;&amp;amp;&lt;/b&gt;</i></t>\n</track>\n");
        QTest::newRow("Latin-1 bytes as UTF-8")
            << testdata::buildBody(12, {Track{"\xC0", {latin1}}})
            << QByteArray("<fps>12</fps>\n<track>\n<name>\xC3\x80</name>\n<t><i>caf\xC3\xA9\xC3\xBF</i></t>\n</track>\n");
        QTest::newRow("two tracks, frames in order")
            << testdata::buildBody(12, {Track{"one", {imageOnly, Frame{}}}, Track{"two", {imageOnly}}})
            << QByteArray("<fps>12</fps>\n<track>\n<name>one</name>\n<t><i>IMG</i></t>\n<t></t>\n</track>\n"
                          "<track>\n<name>two</name>\n<t><i>IMG</i></t>\n</track>\n");
        QTest::newRow("bytes after the last block ignored")
            << testdata::buildBody(12, {}) + QByteArray("extra") << QByteArray("<fps>12</fps>\n");
        QTest::newRow("blank name kept in CDATA")
            << testdata::buildBody(12, {Track{" \xA0", {}}})
            << QByteArray("<fps>12</fps>\n<track>\n<name><![CDATA[ \xC2\xA0]]></name>\n</track>\n");
        const QByteArray longName(5000, 'n');
        QTest::newRow("long name written whole")
            << testdata::buildBody(12, {Track{longName, {}}})
            << "<fps>12</fps>\n<track>\n<name>" + longName + "</name>\n</track>\n";
    }
    void bodiesGiveTheirText()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, text);
        RecordingLog log;
        QCOMPARE(decompile(body, log), text);
        QCOMPARE(log.lines, QStringList{QLatin1String("Decompile finish [") + outPath + QLatin1Char(']')});
    }

    void nanFieldIsWritten()
    {
        Frame frame;
        frame.fields[2] = std::bit_cast<float>(0x7FC00001u);
        RecordingLog log;
        QVERIFY(decompile(testdata::buildBody(12, {Track{"a", {frame}}}), log).contains("<kx>nan</kx>"));
    }

    void bodyCutAnywhereStopsAndLeavesTheOutputAlone()
    {
        Frame frame;
        frame.fields[0] = 1.0f;
        frame.image = "IMG";
        frame.font = "F";
        frame.text = "T";
        const QByteArray body = testdata::buildBody(12, {Track{"anim", {frame, Frame{}}}, Track{"b", {}}});
        for (qsizetype cut = 0; cut < body.size(); ++cut) {
            testdata::writeFile(outPath, "old bytes");
            RecordingLog log;
            QVERIFY(!qor::decompileBody(body.left(cut), outPath, log));
            QCOMPARE(log.lines.size(), 1);
            QVERIFY2(log.lines[0].startsWith(QStringLiteral("ERROR: the body ends at byte %1, inside ").arg(cut)),
                     qPrintable(log.lines[0]));
            QCOMPARE(testdata::readFile(outPath), QByteArray("old bytes"));
        }
        // No temporary file is left beside the output.
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("out.reanim*")}, QDir::Files),
                 QStringList{QStringLiteral("out.reanim")});
    }

    void hugeCountsAreCheckedAgainstTheBody_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("inside");
        QByteArray tracks = testdata::buildBody(12, {});
        qToLittleEndian<quint32>(0xFFFFFFFF, tracks.data() + 8);
        QTest::newRow("track count") << tracks << QStringLiteral("the track table of 4294967295 tracks");
        QByteArray frames = testdata::buildBody(12, {Track{"a", {}}});
        qToLittleEndian<quint32>(0xFFFFFFFF, frames.data() + 32);
        QTest::newRow("frame count") << frames << QStringLiteral("the 4294967295 transform records of track 0");
        QByteArray name = testdata::buildBody(12, {Track{"a", {}}});
        qToLittleEndian<quint32>(0xFFFFFFFF, name.data() + 36);
        QTest::newRow("name length") << name << QStringLiteral("the name of track 0");
        Frame frame;
        frame.image = "I";
        QByteArray image = testdata::buildBody(12, {Track{"a", {frame}}});
        qToLittleEndian<quint32>(0xFFFFFFFF, image.data() + image.size() - 9 - 4);
        QTest::newRow("image length") << image << QStringLiteral("the image name of frame 0 of track 0");
    }
    void hugeCountsAreCheckedAgainstTheBody()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, inside);
        RecordingLog log;
        QVERIFY(!qor::decompileBody(body, outPath, log));
        QCOMPARE(log.lines.size(), 1);
        QVERIFY2(log.lines[0].contains(inside), qPrintable(log.lines[0]));
    }

    void unwritableOutputIsReported_data()
    {
        QTest::addColumn<QString>("target");
        const QString file = dir.filePath(QStringLiteral("plain-file"));
        testdata::writeFile(file, "x");
        QTest::newRow("folder is a file") << file + QStringLiteral("/out.reanim");
        QTest::newRow("missing folder") << dir.filePath(QStringLiteral("no/such/out.reanim"));
        QTest::newRow("output is a folder") << dir.path();
    }
    void unwritableOutputIsReported()
    {
        QFETCH(QString, target);
        RecordingLog log;
        QVERIFY(!qor::decompileBody(testdata::workedExampleBody(), target, log));
        QCOMPARE(log.lines.size(), 1);
        QVERIFY2(log.lines[0].startsWith(QLatin1String("ERROR: cannot write ") + QDir::toNativeSeparators(target) +
                                         QLatin1String(": ")),
                 qPrintable(log.lines[0]));
    }

    void badInputNeverTouchesTheOutput()
    {
        const QString inPath = dir.filePath(QStringLiteral("bad.reanim.compiled"));
        testdata::writeFile(inPath, "not compiled");
        testdata::writeFile(outPath, "old bytes");
        RecordingLog log;
        QVERIFY(!qor::decompressFile(inPath, outPath, log));
        QCOMPARE(log.lines, (QStringList{QStringLiteral("Read 12 44"), QStringLiteral("ERROR: incorrect header")}));
        QCOMPARE(testdata::readFile(outPath), QByteArray("old bytes"));
    }
};

QTEST_APPLESS_MAIN(tst_Decompiler)
#include "tst_decompiler.moc"
