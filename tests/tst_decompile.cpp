#include "coreadapter.h"
#include "core/format/bodyreader.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"
#include "recordinglog.h"
#include "testdata.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using testdata::Frame;
using testdata::Track;
using namespace Qt::StringLiterals;

// Compiled file to text: the container, the body walk and the text written.
namespace {

QByteArray withWord(QByteArray bytes, qsizetype at, quint32 word)
{
    qToLittleEndian(word, bytes.data() + at);
    return bytes;
}

QByteArray text(const QByteArray &tracks)
{
    return "<fps>12</fps>\n" + tracks;
}

} // namespace

class tst_Decompile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    const QString inPath = dir.filePath(QStringLiteral("walk.reanim.compiled"));
    const QString outPath = dir.filePath(QStringLiteral("walk.reanim"));

private slots:
    void workedExampleGivesItsFiveLines()
    {
        const QByteArray file = testcore::wrap(testdata::workedExampleBody());
        QCOMPARE(file.left(9), QByteArray::fromHex("D4FEADDE6B00000078"));
        testdata::writeFile(inPath, file);
        RecordingLog log;
        QVERIFY(testcore::decompileFile(inPath, outPath, log));
        QCOMPARE(testdata::readFile(outPath), testdata::workedExampleText);
        QCOMPARE(log.lines, (QStringList{QStringLiteral("Read %1 44").arg(file.size()),
                                         QLatin1String("Decompress [") + inPath + QLatin1String("] ..."),
                                         QLatin1String("Decompile finish [") + outPath + QLatin1Char(']')}));
    }

    void containersGiveTheirBody_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        const QByteArray body = testdata::workedExampleBody();
        const QByteArray framed = testcore::wrap(body);
        const QByteArray big(3 << 20, 'q');
        QTest::newRow("size word too small") << withWord(framed, 4, 3) << body << "";
        QTest::newRow("size word too large") << withWord(framed, 4, 0x7FFFFFFF) << body << "";
        QTest::newRow("trailing bytes") << framed + "junk" << body << "";
        QTest::newRow("past the first buffer") << withWord(testcore::wrap(big), 4, 16) << big << "";
        QTest::newRow("empty body") << testcore::wrap({}) << QByteArray() << "";
        // Its code lengths run one past the last: libdeflate takes it, zlib does not. Found by
        // fuzzing: the size word chose which of the two judged it.
        const QByteArray overrun = QByteArray::fromHex("D4FEADDE10000000789CEDC12101000000C3A0CCEB6F5EE30231"
                                                       "0000000100000000000000000001000000D8313C");
        QTest::newRow("lengths overrun, size word 16") << overrun << QByteArray() << "";
        QTest::newRow("lengths overrun, size word too large") << withWord(overrun, 4, ~0u) << QByteArray() << "";
        const QString header = QStringLiteral("ERROR: incorrect header");
        QTest::newRow("empty") << QByteArray() << QByteArray() << header;
        QTest::newRow("3 bytes") << framed.left(3) << QByteArray() << header;
        QTest::newRow("big-endian magic") << QByteArray::fromHex("DEADFED4") + framed.mid(4) << QByteArray() << header;
        QTest::newRow("magic only") << framed.left(4) << QByteArray() << "ERROR: no compressed body";
        QTest::newRow("header only") << framed.left(8) << QByteArray() << "ERROR: no compressed body";
        QTest::newRow("truncated") << framed.chopped(5) << QByteArray() << "ERROR: the compressed body is cut short";
        QTest::newRow("wrong Adler-32") << withWord(framed, framed.size() - 4, 0) << QByteArray()
                                        << "ERROR: the compressed body is damaged";
        QTest::newRow("not compressed") << framed.left(8) + body << QByteArray() << "ERROR: the compressed body is damaged";
    }
    void containersGiveTheirBody()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        testdata::writeFile(inPath, file);
        RecordingLog log;
        const auto loaded = testcore::loadBody(inPath, log);
        QCOMPARE(log.lines.value(0), QStringLiteral("Read %1 44").arg(file.size()));
        QCOMPARE(log.lines.size(), error.isEmpty() ? 1 : 2);
        if (error.isEmpty())
            QCOMPARE(loaded.value_or("<none>"), body);
        else
            QVERIFY2(!loaded && log.lines[1].startsWith(error), qPrintable(log.lines[1]));
    }

    void bodyInflatingPastTheLimitIsRefused()
    {
        RecordingLog log;
        const QByteArray file = testcore::wrap(QByteArray(5000, '\0'));
        QVERIFY(!testcore::inflate(file, log, 4999));
        QCOMPARE(log.lines, QStringList{u"ERROR: the body inflates to more than 4999 bytes"_s});
        QCOMPARE(testcore::inflate(file, log, 5000)->size(), 5000);
    }

    void bodiesGiveTheirText_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("text");
        Frame fields;
        fields.fields = {1.0f, -2.5f, 0.0f, 0.0625f, -0.0001f, 1234567.0f, -10000.5f, 0.1f};
        const QByteArray longName(5000, 'n');
        QTest::newRow("negative fps, no tracks") << testdata::buildBody(-7, {}) + "extra" << QByteArray("<fps>-7</fps>\n");
        QTest::newRow("fps from the float, not the word at 20")
            << withWord(testdata::buildBody(30.5f, {}), 20, 99) << QByteArray("<fps>30.5</fps>\n");
        QTest::newRow("empty track and frame")
            << testdata::buildBody(12, {Track{"", {Frame{}}}, Track{"h", {}}})
            << text("<track>\n<name></name>\n<t></t>\n</track>\n<track>\n<name>h</name>\n</track>\n");
        QTest::newRow("all eight fields")
            << testdata::buildBody(12, {Track{"a", {fields}}})
            << text("<track>\n<name>a</name>\n<t><x>1.000</x><y>-2.500</y><kx>0.000</kx><ky>0.062</ky>"
                    "<sx>-0.000</sx><sy>1234567.000</sy><f>-10000.500</f><a>0.100</a></t>\n</track>\n");
        QTest::newRow("names cut at a zero byte")
            << testdata::buildBody(12, {Track{QByteArray("ab\0c", 4), {Frame{.image = QByteArray("\0i", 2)}}}})
            << text("<track>\n<name>ab</name>\n<t><i></i></t>\n</track>\n");
        QTest::newRow("font and text strings")
            << testdata::buildBody(12, {Track{"c", {Frame{.image = "I", .font = "Arial", .text = "Music & Sound"}, Frame{.text = "hi"}}}})
            << text("<track>\n<name>c</name>\n<t><i>I</i><font>Arial</font><text>Music &amp; Sound</text></t>\n"
                    "<t><text>hi</text></t>\n</track>\n");
        QTest::newRow("markup escaped, Latin-1 as UTF-8")
            << testdata::buildBody(12, {Track{"a<b>&c", {Frame{.image = "caf\xE9<i>"}}}})
            << text("<track>\n<name>a&lt;b&gt;&amp;c</name>\n<t><i>caf\xC3\xA9&lt;i&gt;</i></t>\n</track>\n");
        QTest::newRow("carriage return as a reference, tab and line feed as they are")
            << testdata::buildBody(12, {Track{"a\rb\tc\nd", {}}}) << text("<track>\n<name>a&#13;b\tc\nd</name>\n</track>\n");
        QTest::newRow("blank name kept in CDATA")
            << testdata::buildBody(12, {Track{" \xA0", {}}})
            << text("<track>\n<name><![CDATA[ \xC2\xA0]]></name>\n</track>\n");
        QTest::newRow("long name written whole")
            << testdata::buildBody(12, {Track{longName, {}}}) << text("<track>\n<name>" + longName + "</name>\n</track>\n");
    }
    void bodiesGiveTheirText()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, text);
        RecordingLog log;
        QVERIFY(testcore::writeText(body, outPath, log));
        QCOMPARE(testdata::readFile(outPath), text);
        QCOMPARE(testcore::textOf(body, log).value(), text);
        QCOMPARE(log.lines, QStringList{QLatin1String("Decompile finish [") + outPath + QLatin1Char(']')});
    }

    void bodyCutAnywhereStopsAndLeavesTheOutputAlone()
    {
        const QByteArray body = testdata::buildBody(12, {Track{"anim", {Frame{.image = "IMG", .font = "F", .text = "T"}, Frame{}}}, Track{"b", {}}});
        const QString out = dir.filePath(QStringLiteral("cut.reanim"));
        for (qsizetype cut = 0; cut < body.size(); ++cut) {
            testdata::writeFile(out, "old bytes");
            RecordingLog log;
            QVERIFY(!testcore::writeText(body.left(cut), out, log));
            QVERIFY(!testcore::readBody(body.left(cut), log));
            QCOMPARE(log.lines.size(), 2);
            QCOMPARE(log.lines[1], log.lines[0]);
            QVERIFY2(log.lines[0].startsWith(QStringLiteral("ERROR: the body ends at byte %1, inside ").arg(cut)),
                     qPrintable(log.lines[0]));
            QCOMPARE(testdata::readFile(out), QByteArray("old bytes"));
        }
        // No temporary file is left beside the output.
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*cut.reanim*")}, QDir::Files | QDir::Hidden),
                 QStringList{u"cut.reanim"_s});
    }

    void replacedOutputKeepsItsPermissionsWithOrWithoutFlush()
    {
        const QString out = dir.filePath(QStringLiteral("kept.reanim"));
        testdata::writeFile(out, "old bytes");
        const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(out, permissions));
        for (const qor::Flush flush : {qor::Flush::No, qor::Flush::ToDisk}) {
            RecordingLog log;
            QVERIFY(testcore::writeText(testdata::workedExampleBody(), out, log, flush));
            QCOMPARE(testdata::readFile(out), testdata::workedExampleText);
            QCOMPARE(QFile::permissions(out) & ~(QFile::ReadUser | QFile::WriteUser), permissions);
        }
    }

    void hugeCountsAreCheckedAgainstTheBody_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("inside");
        const QByteArray one = testdata::buildBody(12, {Track{"a", {Frame{.image = "I"}}}});
        QTest::newRow("tracks") << withWord(one, 8, ~0u) << "the track table of 4294967295 tracks";
        QTest::newRow("frames") << withWord(one, 32, ~0u) << "the 4294967295 transform records of track 0";
        QTest::newRow("name") << withWord(one, 36, ~0u) << "the name of track 0";
        QTest::newRow("image") << withWord(one, one.size() - 13, ~0u) << "the image name of frame 0 of track 0";
    }
    void hugeCountsAreCheckedAgainstTheBody()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, inside);
        RecordingLog log;
        QVERIFY(!testcore::writeText(body, outPath, log));
        QCOMPARE(log.lines.size(), 1);
        QVERIFY2(log.lines[0].contains(inside), qPrintable(log.lines[0]));
    }

    void namesNoTextCanHoldAreRefused_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        QTest::newRow("control byte") << testdata::buildBody(12, {Track{"t", {Frame{}, Frame{.font = "a\x01"}}}})
                                      << "ERROR: track 0 \"t\": the font name of frame 1 holds the control character U+0001";
        QTest::newRow("carriage return among blanks") << testdata::buildBody(12, {Track{"ok", {}}, Track{" \r", {}}})
                                                      << "ERROR: track 1 \" \\r\": the name holds the control character U+000D";
    }
    void namesNoTextCanHoldAreRefused()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        RecordingLog log;
        const QString out = dir.filePath(QStringLiteral("refused.reanim"));
        QVERIFY(!testcore::writeText(body, out, log));
        QCOMPARE(log.lines.size(), 1);
        QVERIFY2(log.lines[0].startsWith(error), qPrintable(log.lines[0]));
        QVERIFY(!QFile::exists(out));
    }

    void unwritableOutputIsReported()
    {
        const QString file = dir.filePath(QStringLiteral("plain-file"));
        testdata::writeFile(file, "x");
        for (const QString &target : {file + QStringLiteral("/out.reanim"), dir.filePath(QStringLiteral("no/out")), dir.path()}) {
            RecordingLog log;
            QVERIFY(!testcore::writeText(testdata::workedExampleBody(), target, log));
            QCOMPARE(log.lines.size(), 1);
            QVERIFY2(log.lines[0].startsWith(QLatin1String("ERROR: cannot write ") + QDir::toNativeSeparators(target) + u": "_s),
                     qPrintable(log.lines[0]));
        }
    }
};

QTEST_APPLESS_MAIN(tst_Decompile)
#include "tst_decompile.moc"
