#include "core/format/logsink.h"
#include "core/format/numbers.h"
#include "core/files/outputname.h"

#include <QRandomGenerator>
#include <QtTest>

#include <bit>
#include <charconv>
#include <string>
#include <cmath>
#include <cstdio>
#include <limits>

// The small text rules: log lines, numbers and output names.
namespace {

QString format(const char *pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    const QString text = QString::fromStdString(qor::formatLogText(pattern, args));
    va_end(args);
    return text;
}

QByteArray fixed3(float value)
{
    std::string out;
    qor::appendFixed3(out, value);
    return QByteArray::fromStdString(out);
}

QByteArray printfFixed3(float value)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%0.3f", double(value));
    return buffer;
}

constexpr float inf = std::numeric_limits<float>::infinity();

} // namespace

class tst_Format : public QObject {
    Q_OBJECT

private slots:
    void logTextIsThePrintfText_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("%d %i %u") << format("Read %d %i %u", 107, -12, 4294967295u) << "Read 107 -12 4294967295";
        QTest::newRow("%x %X") << format("%x %X", 0xdeadfed4u, 0xdeadfed4u) << "deadfed4 DEADFED4";
        QTest::newRow("flags, width") << format("[%-5d|%05d|%+d|%#x]", 42, 42, 42, 255u) << "[42   |00042|+42|0xff]";
        QTest::newRow("%s precision, %c") << format("%.3s|%6s|%c", "abcdef", "ab", 'k') << "abc|    ab|k";
        QTest::newRow("Latin-1 bytes") << format("%s", "\xE9\x80\xFF") << QString::fromUtf8("\u00E9\u0080\u00FF");
        QTest::newRow("cut at a zero byte") << format("a%cb", 0) << "a";
        QTest::newRow("cut at 1023") << format("%s", QByteArray(1500, 'x').constData()) << QString(1023, u'x');
        QTest::newRow("1023 kept") << format("%s", QByteArray(1023, 'y').constData()) << QString(1023, u'y');
    }
    void logTextIsThePrintfText()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void fixedThreeDecimals_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("tie to even") << 0.0625f << QByteArray("0.062");
        QTest::newRow("nearest 0.1") << 0.1f << QByteArray("0.100");
        QTest::newRow("small negative") << -0.0001f << QByteArray("-0.000");
        QTest::newRow("negative zero") << -0.0f << QByteArray("-0.000");
        QTest::newRow("nan") << -std::numeric_limits<float>::quiet_NaN() << QByteArray("nan");
        QTest::newRow("-inf") << -inf << QByteArray("-inf");
        QTest::newRow("largest") << std::numeric_limits<float>::max()
                                 << QByteArray("340282346638528859811704183484516925440.000");
    }
    void fixedThreeDecimals()
    {
        QFETCH(float, value);
        QFETCH(QByteArray, text);
        QCOMPARE(fixed3(value), text);
    }

    void frameRates_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("whole") << 12.0f << QByteArray("12");
        QTest::newRow("half") << 10.5f << QByteArray("10.5");
        QTest::newRow("quarter") << 12.25f << QByteArray("12.25");
        QTest::newRow("negative") << -5.0f << QByteArray("-5");
        QTest::newRow("rounded to zero") << 0.0001f << QByteArray("0");
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << QByteArray("nan");
        QTest::newRow("-inf") << -inf << QByteArray("-inf");
    }
    void frameRates()
    {
        QFETCH(float, value);
        QFETCH(QByteArray, text);
        char out[qor::maxFixed3Length];
        QCOMPARE(QByteArray(out, qor::writeFrameRate(out, value) - out), text);
    }

    void fixedThreeDecimalsEqualsPrintfOnRandomBits()
    {
        QRandomGenerator random(20261206);
        for (int n = 0; n < 400000; ++n) {
            // Every other value has few integer digits, where rounding at the third decimal matters.
            const float value = n % 2 ? std::bit_cast<float>(random.generate())
                                      : float(random.bounded(-200000, 200000)) / 1024.0f + float(random.generateDouble());
            if (!std::isnan(value))
                QCOMPARE(fixed3(value), printfFixed3(value));
        }
    }

    void textToNumbers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<float>("decimal");
        QTest::newRow("blanks around") << QByteArray("\n30\t") << 30.0f;
        QTest::newRow("no-break space around") << QByteArray("\xC2\xA0" "2.5\xE3\x80\x80") << 2.5f;
        QTest::newRow("plus sign") << QByteArray("+7") << 7.0f;
        QTest::newRow("plus minus") << QByteArray("+-7") << 0.0f;
        QTest::newRow("negative zero") << QByteArray("-0.000") << -0.0f;
        QTest::newRow("empty") << QByteArray("") << 0.0f;
        QTest::newRow("trailing junk") << QByteArray("12x") << 0.0f;
        QTest::newRow("i32 min") << QByteArray("-2147483648") << -2147483648.0f;
        QTest::newRow("exponent") << QByteArray("1.5e3") << 1500.0f;
        QTest::newRow("decimal comma") << QByteArray("1,5") << 0.0f;
        QTest::newRow("past f32") << QByteArray("1e39") << 0.0f;
        QTest::newRow("-inf") << QByteArray("-inf") << -inf;
    }
    void textToNumbers()
    {
        QFETCH(QByteArray, text);
        QFETCH(float, decimal);
        QCOMPARE(std::bit_cast<quint32>(qor::parseDecimal(text.toStdString())), std::bit_cast<quint32>(decimal));
    }

    // The short "-ddd.ddd" path against the library's correctly rounded conversion.
    void plainDecimalsReadAsFromChars()
    {
        QRandomGenerator random(1207);
        for (int n = 0; n < 200000; ++n) {
            std::string text = std::to_string(random.bounded(0, 10000000));
            text.insert(random.bounded(int(text.size()) + 1), ".");
            if (random.bounded(2))
                text.insert(0, "-");
            float expected = 0.0f;
            std::from_chars(text.data(), text.data() + text.size(), expected);
            QCOMPARE(std::bit_cast<quint32>(qor::parseDecimal(text)), std::bit_cast<quint32>(expected));
        }
    }

    void outputNames_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("folder names untouched") << "C:/x.reanim.compiled/walk.reanim.compiled"
                                                << "C:/x.reanim.compiled/walk.reanim";
        QTest::newRow("every occurrence") << "/a/a.reanim.compiled.reanim.compiled" << "/a/a.reanim.reanim";
        QTest::newRow("never a compiled name") << "/a/a.reanim.compiled.x.compiled" << "/a/a.reanim.x.compiled.reanim";
        QTest::newRow("plain .compiled") << "/a/walk.compiled" << "/a/walk.reanim";
        QTest::newRow("capitals") << "/a/WALK.REANIM.COMPILED" << "/a/WALK.REANIM";
        QTest::newRow("mixed case kept") << "/a/walk.Reanim.compiled" << "/a/walk.Reanim";
        QTest::newRow("other ending") << "/a/walk.bin" << "/a/walk.bin.reanim";
        QTest::newRow("already .reanim") << "walk.reanim" << "walk.reanim.reanim";
    }
    void outputNames()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QCOMPARE(QString::fromStdString(qor::decompiledPathFor(input.toStdString()).string()), output);
        QCOMPARE(QString::fromStdString(qor::compiledPathFor(output.toStdString()).string()), output + QLatin1String(".compiled"));
    }
};

QTEST_APPLESS_MAIN(tst_Format)
#include "tst_format.moc"
