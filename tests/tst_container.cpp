#include "core/container.h"
#include "recordinglog.h"
#include "testdata.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray withSizeWord(QByteArray file, quint32 size)
{
    qToLittleEndian(size, file.data() + 4);
    return file;
}

} // namespace

class tst_Container : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString fileWith(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("in.reanim.compiled"));
        testdata::writeFile(path, bytes);
        return path;
    }

private slots:
    void framedBodyHasMagicLengthAndZlibStream()
    {
        const QByteArray file = qor::frameBody(testdata::workedExampleBody());
        QCOMPARE(file.left(8), QByteArray::fromHex("D4FEADDE6B000000"));
        QCOMPARE(quint8(file[8]), quint8(0x78));
        // The stream is what zlib's compress2 makes at the default level.
        QByteArray qtForm = QByteArray::fromHex("0000006B") + file.mid(8);
        QCOMPARE(qUncompress(qtForm), testdata::workedExampleBody());
    }

    void readableFilesGiveTheirWholeBody_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("body");
        const QByteArray body = testdata::workedExampleBody();
        const QByteArray framed = qor::frameBody(body);
        QTest::newRow("as framed") << framed << body;
        QTest::newRow("size word too small") << withSizeWord(framed, 3) << body;
        QTest::newRow("size word too large") << withSizeWord(framed, 0x7FFFFFFF) << body;
        QTest::newRow("size word zero") << withSizeWord(framed, 0) << body;
        QTest::newRow("trailing bytes") << framed + QByteArray("junk after the stream") << body;
        const QByteArray big(3 << 20, 'q');
        QTest::newRow("larger than the first buffer") << withSizeWord(qor::frameBody(big), 16) << big;
        QTest::newRow("empty body") << qor::frameBody(QByteArray()) << QByteArray();
    }
    void readableFilesGiveTheirWholeBody()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, body);
        RecordingLog log;
        const auto loaded = qor::loadCompiledBody(fileWith(file), log);
        QVERIFY(loaded.has_value());
        QCOMPARE(*loaded, body);
        QCOMPARE(log.lines, QStringList{QStringLiteral("Read %1 44").arg(file.size())});
    }

    void malformedFilesStopWithOneError_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("error");
        const QByteArray framed = qor::frameBody(testdata::workedExampleBody());
        const QString header = QStringLiteral("ERROR: incorrect header");
        QTest::newRow("empty") << QByteArray() << header;
        for (int n = 1; n <= 3; ++n)
            QTest::addRow("%d bytes", n) << framed.left(n) << header;
        QTest::newRow("big-endian magic") << QByteArray::fromHex("DEADFED46B000000") + framed.mid(8) << header;
        QTest::newRow("other magic") << QByteArray("<fps>12</fps>\n") << header;
        for (int n = 4; n <= 8; ++n)
            QTest::addRow("%d bytes, magic only", n) << framed.left(n) << QStringLiteral("ERROR: no compressed body");
        QTest::newRow("truncated stream") << framed.left(framed.size() - 5) << QStringLiteral("ERROR: the compressed body is cut short");
        QByteArray wrongCheck = framed;
        wrongCheck[wrongCheck.size() - 1] = char(wrongCheck[wrongCheck.size() - 1] ^ 0x55);
        QTest::newRow("wrong Adler-32") << wrongCheck << QStringLiteral("ERROR: the compressed body is damaged");
        QByteArray corrupt = framed;
        corrupt[8] = 0x11;
        QTest::newRow("corrupt stream header") << corrupt << QStringLiteral("ERROR: the compressed body is damaged");
        QTest::newRow("raw body, not compressed") << framed.left(8) + testdata::workedExampleBody()
                                                  << QStringLiteral("ERROR: the compressed body is damaged");
    }
    void malformedFilesStopWithOneError()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        RecordingLog log;
        QVERIFY(!qor::loadCompiledBody(fileWith(file), log).has_value());
        QCOMPARE(log.lines.size(), 2);
        QCOMPARE(log.lines[0], QStringLiteral("Read %1 44").arg(file.size()));
        QVERIFY2(log.lines[1].startsWith(error), qPrintable(log.lines[1]));
    }

    void missingFileIsReported()
    {
        RecordingLog log;
        const QString path = dir.filePath(QStringLiteral("missing.reanim.compiled"));
        QVERIFY(!qor::loadCompiledBody(path, log).has_value());
        QCOMPARE(log.lines, (QStringList{QLatin1String("File not found ") + path, QStringLiteral("ERROR: incorrect header")}));
    }

    void bodyInflatingPastTheLimitIsRefused()
    {
        // 1 GiB and a little of one byte value compresses to about a megabyte.
        const QByteArray huge(qor::maxBodySize + 1, '\0');
        const QByteArray file = qor::frameBody(huge);
        RecordingLog log;
        QVERIFY(!qor::inflateCompiledFile(file, log).has_value());
        QCOMPARE(log.lines.size(), 1);
        QVERIFY2(log.lines[0].startsWith(QLatin1String("ERROR: the body inflates to more than 1024 MiB")),
                 qPrintable(log.lines[0]));
    }
};

QTEST_APPLESS_MAIN(tst_Container)
#include "tst_container.moc"
