#include "core/logsink.h"
#include "recordinglog.h"

#include <QtTest>

namespace {

QString format(const char *pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    const QString text = qor::formatLogText(pattern, args);
    va_end(args);
    return text;
}

} // namespace

class tst_LogFormat : public QObject {
    Q_OBJECT

private slots:
    void conversionsGiveThePrintfText_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("read line") << format("Read %d %d", 107, 44) << QStringLiteral("Read 107 44");
        QTest::newRow("negative %i") << format("%i", -12) << QStringLiteral("-12");
        QTest::newRow("%u of a large word") << format("%u", 4294967295u) << QStringLiteral("4294967295");
        QTest::newRow("%x and %X") << format("%x %X", 0xdeadfed4u, 0xdeadfed4u) << QStringLiteral("deadfed4 DEADFED4");
        QTest::newRow("flags and width") << format("[%-5d|%05d|%+d|%#x]", 42, 42, 42, 255u)
                                         << QStringLiteral("[42   |00042|+42|0xff]");
        QTest::newRow("string precision") << format("%.3s|%6s", "abcdef", "ab") << QStringLiteral("abc|    ab");
        QTest::newRow("%c") << format("%c%c", 'o', 'k') << QStringLiteral("ok");
        QTest::newRow("track line") << format("%s %d", "head", 25) << QStringLiteral("head 25");
        QTest::newRow("no conversions") << format("ERROR: incorrect header") << QStringLiteral("ERROR: incorrect header");
        QTest::newRow("Latin-1 bytes") << format("%s", "\xE9\x80\xFF") << QString::fromUtf8("\u00E9\u0080\u00FF");
        QTest::newRow("cut at a zero byte") << format("a%cb", 0) << QStringLiteral("a");
    }
    void conversionsGiveThePrintfText()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void longLinesAreCutAt1023Characters()
    {
        const QByteArray long1500(1500, 'x');
        QCOMPARE(format("%s", long1500.constData()), QString(1023, QLatin1Char('x')));
        const QByteArray exact(1023, 'y');
        QCOMPARE(format("%s", exact.constData()), QString(1023, QLatin1Char('y')));
    }

    void logFormatHandsTheTextToLogLine()
    {
        RecordingLog log;
        log.logFormat("%s %d", "", 0);
        QCOMPARE(log.lines, QStringList{QStringLiteral(" 0")});
    }
};

QTEST_APPLESS_MAIN(tst_LogFormat)
#include "tst_logformat.moc"
