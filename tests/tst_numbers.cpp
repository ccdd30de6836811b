#include "core/numbers.h"

#include <QRandomGenerator>
#include <QtTest>

#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

QByteArray fixed3(float value)
{
    QByteArray out;
    qor::appendFixed3(out, value);
    return out;
}

QByteArray printfFixed3(float value)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%0.3f", double(value));
    return buffer;
}

} // namespace

class tst_Numbers : public QObject {
    Q_OBJECT

private slots:
    void fixedThreeDecimals_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("one") << 1.0f << QByteArray("1.000");
        QTest::newRow("minus half") << -0.5f << QByteArray("-0.500");
        QTest::newRow("nearest 0.1") << 0.1f << QByteArray("0.100");
        QTest::newRow("tie to even") << 0.0625f << QByteArray("0.062");
        QTest::newRow("large") << 1234567.0f << QByteArray("1234567.000");
        QTest::newRow("small negative") << -0.0001f << QByteArray("-0.000");
        QTest::newRow("negative zero") << -0.0f << QByteArray("-0.000");
        QTest::newRow("unset value") << -10000.0f << QByteArray("-10000.000");
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << QByteArray("nan");
        QTest::newRow("negative nan") << -std::numeric_limits<float>::quiet_NaN() << QByteArray("nan");
        QTest::newRow("inf") << std::numeric_limits<float>::infinity() << QByteArray("inf");
        QTest::newRow("-inf") << -std::numeric_limits<float>::infinity() << QByteArray("-inf");
        QTest::newRow("largest") << std::numeric_limits<float>::max()
                                 << QByteArray("340282346638528859811704183484516925440.000");
    }
    void fixedThreeDecimals()
    {
        QFETCH(float, value);
        QFETCH(QByteArray, text);
        QCOMPARE(fixed3(value), text);
    }

    void fixedThreeDecimalsEqualsPrintfOnRandomBits()
    {
        QRandomGenerator random(20261206);
        for (int n = 0; n < 200000; ++n) {
            const float value = std::bit_cast<float>(random.generate());
            if (std::isnan(value))
                continue;
            QCOMPARE(fixed3(value), printfFixed3(value));
        }
        // Values with few integer digits, where rounding at the third decimal matters.
        for (int n = 0; n < 200000; ++n) {
            const float value = float(random.bounded(-200000, 200000)) / 1024.0f + float(random.generateDouble());
            QCOMPARE(fixed3(value), printfFixed3(value));
        }
    }

    void integers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("value");
        QTest::newRow("plain") << "24" << 24;
        QTest::newRow("blanks around") << " 30 " << 30;
        QTest::newRow("new lines around") << "\n30\t" << 30;
        QTest::newRow("negative") << "-5" << -5;
        QTest::newRow("plus") << "+7" << 7;
        QTest::newRow("decimal point") << "12.5" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("word") << "abc" << 0;
        QTest::newRow("trailing junk") << "12x" << 0;
        QTest::newRow("i32 max") << "2147483647" << 2147483647;
        QTest::newRow("i32 min") << "-2147483648" << qint32(-2147483647 - 1);
        QTest::newRow("past i32") << "2147483648" << 0;
        QTest::newRow("inner blank") << "1 2" << 0;
        QTest::newRow("two signs") << "+-3" << 0;
    }
    void integers()
    {
        QFETCH(QString, text);
        QFETCH(qint32, value);
        QCOMPARE(qor::parseInteger(text), value);
    }

    void decimals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");
        QTest::newRow("three decimals") << "0.500" << 0.5f;
        QTest::newRow("unset") << "-10000.000" << -10000.0f;
        QTest::newRow("exponent") << "1.5e3" << 1500.0f;
        QTest::newRow("blanks") << " 2.25 " << 2.25f;
        QTest::newRow("plus") << "+1" << 1.0f;
        QTest::newRow("leading point") << ".5" << 0.5f;
        QTest::newRow("rounded to f32") << "0.1" << 0.1f;
        QTest::newRow("empty") << "" << 0.0f;
        QTest::newRow("word") << "abc" << 0.0f;
        QTest::newRow("decimal comma") << "1,5" << 0.0f;
        QTest::newRow("past f32") << "1e39" << 0.0f;
        QTest::newRow("inf") << "inf" << std::numeric_limits<float>::infinity();
        QTest::newRow("-inf") << "-inf" << -std::numeric_limits<float>::infinity();
        QTest::newRow("hex is not decimal") << "0x10" << 0.0f;
    }
    void decimals()
    {
        QFETCH(QString, text);
        QFETCH(float, value);
        QCOMPARE(std::bit_cast<quint32>(qor::parseDecimal(text)), std::bit_cast<quint32>(value));
    }

    void nanTextReadsAsNan()
    {
        QVERIFY(std::isnan(qor::parseDecimal(u"nan")));
    }

    void writtenTextReadsBackToTheSameThreeDecimals()
    {
        QRandomGenerator random(7);
        for (int n = 0; n < 20000; ++n) {
            const float value = float(random.generateDouble() * 20000.0 - 10000.0);
            const QByteArray text = fixed3(value);
            QCOMPARE(fixed3(qor::parseDecimal(QString::fromLatin1(text))), text);
        }
    }
};

QTEST_APPLESS_MAIN(tst_Numbers)
#include "tst_numbers.moc"
