#include "core/bodywriter.h"
#include "core/compiler.h"
#include "core/container.h"
#include "core/decompiler.h"
#include "core/xmlreader.h"
#include "recordinglog.h"
#include "testdata.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using testdata::Frame;
using testdata::Track;

namespace {

// The body inside a compiled file, read back with zlib alone.
QByteArray bodyOf(const QByteArray &file)
{
    if (file.size() < 8)
        return "<no file>";
    QByteArray qtForm = file.mid(4, 4);
    std::reverse(qtForm.begin(), qtForm.end());
    return qUncompress(qtForm + file.mid(8));
}

QByteArray randomName(QRandomGenerator &random, int maxLength)
{
    static const QByteArray alphabet = QByteArray("abcXYZ_09 .&<>\"'") + "\xE9\xFF\xA0\x80";
    QByteArray name;
    const int length = random.bounded(maxLength + 1);
    for (int n = 0; n < length; ++n)
        name.append(alphabet[random.bounded(int(alphabet.size()))]);
    return name;
}

float randomField(QRandomGenerator &random)
{
    switch (random.bounded(4)) {
    case 0:
        return testdata::unset;
    case 1:
        return float(random.bounded(-1000, 1000));
    default:
        // Thousandths, as the text form carries them: the nearest f32 of k / 1000.
        return float(random.bounded(-1000000, 1000000)) / 1000.0f;
    }
}

std::vector<Track> randomTracks(QRandomGenerator &random)
{
    std::vector<Track> tracks(size_t(random.bounded(6)));
    for (Track &track : tracks) {
        track.name = randomName(random, 12);
        track.frames.resize(size_t(random.bounded(5)));
        for (Frame &frame : track.frames) {
            for (float &field : frame.fields)
                field = randomField(random);
            frame.image = random.bounded(2) ? randomName(random, 10) : QByteArray();
            frame.font = random.bounded(4) == 0 ? randomName(random, 6) : QByteArray();
            frame.text = random.bounded(4) == 0 ? randomName(random, 20) : QByteArray();
        }
    }
    return tracks;
}

QString firstDifference(const QByteArray &actual, const QByteArray &expected)
{
    qsizetype at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    return QStringLiteral("bodies differ from byte %1: %2 against %3")
        .arg(at)
        .arg(QString::fromLatin1(actual.mid(at, 16).toHex(' ')))
        .arg(QString::fromLatin1(expected.mid(at, 16).toHex(' ')));
}

} // namespace

class tst_Compiler : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    const QString inPath = dir.filePath(QStringLiteral("walk.reanim"));
    const QString outPath = dir.filePath(QStringLiteral("walk.reanim.compiled"));

    QByteArray compile(const QByteArray &text, RecordingLog &log)
    {
        testdata::writeFile(inPath, text);
        QFile::remove(outPath);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^\\d+$")));
        qor::compileReanim(inPath, outPath, log);
        return testdata::readFile(outPath);
    }

private slots:
    void textsCompileToTheirBodies_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("body");
        const QByteArray emptyBody = QByteArray::fromHex("C0B493B3" "00000000" "00000000" "00004041" "00000000" "0C000000");
        QTest::newRow("fps 12 only, 24 bytes") << QByteArray("<fps>12</fps>") << emptyBody;
        QTest::newRow("empty file") << QByteArray() << emptyBody;
        QTest::newRow("worked example, 107 bytes") << testdata::workedExampleText << testdata::workedExampleBody();
        Frame onlyX;
        onlyX.fields[0] = 1.0f;
        QTest::newRow("one track a, x 1, 101 bytes")
            << QByteArray("<fps>12</fps><track><name>a</name><t><x>1</x></t></track>")
            << testdata::buildBody(12, {Track{"a", {onlyX}}});
        Frame strings;
        strings.image = "I";
        strings.font = "Arial";
        strings.text = "Music & Sound";
        QTest::newRow("font and text strings")
            << QByteArray("<track><name>c</name><t><i>I</i><font>Arial</font><text>Music &amp; Sound</text></t></track>")
            << testdata::buildBody(12, {Track{"c", {strings}}});
        QTest::newRow("track without frames") << QByteArray("<fps>-3</fps><track><name>e</name></track>")
                                              << testdata::buildBody(-3, {Track{"e", {}}});
    }
    void textsCompileToTheirBodies()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, body);
        RecordingLog log;
        const QByteArray file = compile(text, log);
        QCOMPARE(file.left(4), QByteArray::fromHex("D4FEADDE"));
        QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 4), quint32(body.size()));
        QCOMPARE(bodyOf(file), body);
        QCOMPARE(file, qor::frameBody(body));
    }

    void successfulRunLogsEachStage()
    {
        RecordingLog log;
        compile(testdata::workedExampleText, log);
        QCOMPARE(log.lines, (QStringList{QStringLiteral("Read %1 44").arg(testdata::workedExampleText.size()),
                                         QLatin1String("Compile ") + inPath, QStringLiteral("anim 1"),
                                         QStringLiteral("Compress ..."),
                                         QLatin1String("Compiled finish [") + outPath + QLatin1Char(']')}));
    }

    void bodyLengthGoesToTheDebugChannel()
    {
        qor::Reanim reanim;
        reanim.tracks.push_back({"a", {qor::ReanimTransform{}}});
        QTest::ignoreMessage(QtDebugMsg, "101");
        QCOMPARE(qor::serializeReanim(reanim).size(), 101);
        QCOMPARE(reanim.trackCount, 1u);
    }

    void roundTripsThroughBothConverters()
    {
        QRandomGenerator random(1206);
        const QString textPath = dir.filePath(QStringLiteral("round.reanim"));
        const QString compiledPath = dir.filePath(QStringLiteral("round.reanim.compiled"));
        for (int run = 0; run < 300; ++run) {
            const std::vector<Track> tracks = randomTracks(random);
            const QByteArray body = testdata::buildBody(qint32(random.bounded(-5, 120)), tracks);
            RecordingLog log;
            testdata::writeFile(compiledPath, qor::frameBody(body));
            QVERIFY2(qor::decompressFile(compiledPath, textPath, log), qPrintable(log.lines.join(u'\n')));
            const QByteArray text = testdata::readFile(textPath);

            // Compile the text: the same body as the one built by hand.
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^\\d+$")));
            QVERIFY2(qor::compileReanim(textPath, compiledPath, log), qPrintable(log.lines.join(u'\n')));
            const QByteArray compiled = bodyOf(testdata::readFile(compiledPath));
            QVERIFY2(compiled == body, qPrintable(firstDifference(compiled, body) + QLatin1Char('\n') +
                                                  QString::fromUtf8(text)));

            // And decompile again: the same text.
            QVERIFY(qor::decompressFile(compiledPath, textPath, log));
            QCOMPARE(testdata::readFile(textPath), text);
        }
    }

    void failuresLeaveTheOutputAlone_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("unparsable") << QByteArray("<track><name>a&b</name></track>")
                                    << "ERROR: the text is not well-formed XML at line 1";
        QTest::newRow("name too long") << "<track><name>" + QByteArray(300, 'n') + "</name></track>"
                                       << "ERROR: track 0";
        QTest::newRow("image outside Latin-1") << QByteArray("<track><t><i>\xE2\x82\xAC</i></t></track>")
                                               << "ERROR: track 0";
    }
    void failuresLeaveTheOutputAlone()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, lastLine);
        testdata::writeFile(inPath, text);
        testdata::writeFile(outPath, "old compiled bytes");
        RecordingLog log;
        QVERIFY(!qor::compileReanim(inPath, outPath, log));
        QVERIFY2(log.lines.last().startsWith(lastLine), qPrintable(log.lines.last()));
        QVERIFY(!log.lines.contains(QStringLiteral("Compress ...")));
        QCOMPARE(testdata::readFile(outPath), QByteArray("old compiled bytes"));
    }

    void missingInputLogsThreeLines()
    {
        const QString missing = dir.filePath(QStringLiteral("missing.reanim"));
        RecordingLog log;
        QVERIFY(!qor::compileReanim(missing, missing + QStringLiteral(".compiled"), log));
        QCOMPARE(log.lines, (QStringList{QLatin1String("File not found ") + missing,
                                         QLatin1String("Compile ") + missing, QStringLiteral("open fail")}));
        QVERIFY(!QFile::exists(missing + QStringLiteral(".compiled")));
    }

    void unwritableOutputIsReported()
    {
        testdata::writeFile(inPath, testdata::workedExampleText);
        const QString blocker = dir.filePath(QStringLiteral("file-not-folder"));
        testdata::writeFile(blocker, "x");
        const QString target = blocker + QStringLiteral("/walk.reanim.compiled");
        RecordingLog log;
        QTest::ignoreMessage(QtDebugMsg, "107");
        QVERIFY(!qor::compileReanim(inPath, target, log));
        QVERIFY2(log.lines.last().startsWith(QLatin1String("ERROR: cannot write ") + QDir::toNativeSeparators(target)),
                 qPrintable(log.lines.last()));
    }
};

QTEST_APPLESS_MAIN(tst_Compiler)
#include "tst_compiler.moc"
