#include "core/xmlreader.h"
#include "recordinglog.h"

#include <QtTest>

#include <bit>

namespace {

constexpr float unset = -10000.0f;

qor::Reanim read(const QByteArray &text, RecordingLog &log, bool expectOk = true)
{
    qor::Reanim reanim;
    const bool ok = qor::readReanimXml(text, reanim, log);
    if (ok != expectOk)
        qWarning("readReanimXml gave %d for %s", ok, text.constData());
    return reanim;
}

// A compact picture of a model: fps, then per track name:frames, per frame its set fields.
QString describe(const qor::Reanim &reanim)
{
    QStringList parts{QString::number(reanim.fps)};
    for (const qor::ReanimTrack &track : reanim.tracks) {
        QStringList frames;
        for (const qor::ReanimTransform &frame : track.transforms) {
            QStringList fields;
            const float values[] = {frame.x, frame.y, frame.kx, frame.ky, frame.sx, frame.sy, frame.f, frame.a};
            const char *names[] = {"x", "y", "kx", "ky", "sx", "sy", "f", "a"};
            for (int n = 0; n < 8; ++n) {
                if (std::bit_cast<quint32>(values[n]) != std::bit_cast<quint32>(unset))
                    fields << QString::fromLatin1(names[n]) + QLatin1Char('=') + QString::number(values[n]);
            }
            for (const auto &[name, value] : {std::pair{"i", frame.i}, {"font", frame.font}, {"text", frame.text}}) {
                if (!value.isEmpty())
                    fields << QString::fromLatin1(name) + QLatin1Char('=') + QString::fromLatin1(value);
            }
            frames << QLatin1Char('(') + fields.join(QLatin1Char(' ')) + QLatin1Char(')');
        }
        parts << QString::fromLatin1(track.name) + QLatin1Char(':') + frames.join(QString());
    }
    return parts.join(QLatin1Char('|'));
}

} // namespace

class tst_XmlReader : public QObject {
    Q_OBJECT

private slots:
    void acceptedAndIgnoredForms_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("model");
        QTest::newRow("empty file") << QByteArray() << "12";
        QTest::newRow("fps only") << QByteArray("<fps>24</fps>\n") << "24";
        QTest::newRow("fps with a point") << QByteArray("<fps>12.5</fps>") << "0";
        QTest::newRow("fps with blanks") << QByteArray("<fps> 30 </fps>") << "30";
        QTest::newRow("later fps wins") << QByteArray("<fps>1</fps><fps>2</fps>") << "2";
        QTest::newRow("fps inside a track unseen") << QByteArray("<track><fps>5</fps></track>") << "12|:";
        QTest::newRow("decompiler text")
            << QByteArray("<fps>12</fps>\n<track>\n<name>anim</name>\n<t><x>1.000</x><i>IMG</i></t>\n</track>\n")
            << "12|anim:(x=1 i=IMG)";
        QTest::newRow("empty t") << QByteArray("<track><name>a</name><t/></track>") << "12|a:()";
        QTest::newRow("empty x and bad y") << QByteArray("<track><t><x></x><y>abc</y></t></track>") << "12|:(x=0 y=0)";
        QTest::newRow("a as 0.500") << QByteArray("<track><t><a>0.500</a></t></track>") << "12|:(a=0.5)";
        QTest::newRow("nothing carried over")
            << QByteArray("<track><t><x>1</x><y>2</y><i>A</i></t><t><i>B</i></t></track>") << "12|:(x=1 y=2 i=A)(i=B)";
        QTest::newRow("second name wins") << QByteArray("<track><name>first</name><name>2nd</name></track>") << "12|2nd:";
        QTest::newRow("later field wins") << QByteArray("<track><t><x>1</x><x>2</x></t></track>") << "12|:(x=2)";
        QTest::newRow("comment ends a track's walk")
            << QByteArray("<track><name>a</name><t><x>1</x></t><!-- stop --><t><x>2</x></t></track>") << "12|a:(x=1)";
        QTest::newRow("text ends a frame's walk") << QByteArray("<track><t><x>1</x>junk<y>2</y></t></track>") << "12|:(x=1)";
        QTest::newRow("comment between top-level elements skipped")
            << QByteArray("<fps>6</fps><!-- c --><track><name>a</name></track>") << "6|a:";
        QTest::newRow("capital X ignored") << QByteArray("<track><t><X>1</X></t></track>") << "12|:()";
        QTest::newRow("wrapped track unseen") << QByteArray("<group><track><name>a</name></track></group>") << "12";
        QTest::newRow("t outside a track unseen") << QByteArray("<t><x>1</x></t>") << "12";
        QTest::newRow("other elements ignored")
            << QByteArray("<meta>x</meta><track><blend>1</blend><name>a</name></track>") << "12|a:";
        QTest::newRow("entity references in names")
            << QByteArray("<track><name>a&amp;b&lt;c&gt;</name><t><i>&lt;i&gt;</i></t></track>") << "12|a&b<c>:(i=<i>)";
        QTest::newRow("font and text")
            << QByteArray("<track><t><i>I</i><font>Arial</font><text>Music &amp; Sound</text></t></track>")
            << "12|:(i=I font=Arial text=Music & Sound)";
        QTest::newRow("UTF-8 Latin-1 character") << QByteArray("<track><name>caf\xC3\xA9</name></track>")
                                                 << QString::fromUtf8("12|caf\u00E9:");
        QTest::newRow("CDATA") << QByteArray("<track><name><![CDATA[a<b]]></name></track>") << "12|a<b:";
        QTest::newRow("nested text counts") << QByteArray("<fps><b>2</b>4</fps>") << "24";
        QTest::newRow("unset value from text") << QByteArray("<track><t><x>-10000</x></t></track>") << "12|:()";
    }
    void acceptedAndIgnoredForms()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, model);
        RecordingLog log;
        QCOMPARE(describe(read(text, log)), model);
    }

    void eachTrackIsLogged()
    {
        RecordingLog log;
        read("<track><name>head</name><t/><t/></track><track></track><track><name>a</name></track>", log);
        QCOMPARE(log.lines, (QStringList{QStringLiteral("head 2"), QStringLiteral(" 0"), QStringLiteral("a 0")}));
    }

    void createdValuesStay()
    {
        RecordingLog log;
        const qor::Reanim reanim = read("<fps>30</fps><track><t/></track>", log);
        QCOMPARE(reanim.signature, 0xB393B4C0u);
        QCOMPARE(reanim.headerFloat, 12.0f);
        const qor::ReanimTransform &frame = reanim.tracks[0].transforms[0];
        QCOMPARE(frame.reserved1, 0u);
        QCOMPARE(frame.reserved2, 0u);
        QCOMPARE(frame.reserved3, 0x00B8AE3Cu);
        QCOMPARE(reanim.tracks[0].nameLength(), 0u);
    }

    void unparsableTextStops_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("where");
        QTest::newRow("XML declaration") << QByteArray("<?xml version=\"1.0\"?>\n<fps>1</fps>") << "line 1, column";
        QTest::newRow("bare ampersand") << QByteArray("<fps>1</fps>\n<track><name>a&b</name></track>") << "line 2, column";
        QTest::newRow("bare less-than") << QByteArray("<track><name>a<b</name></track>") << "line 1, column";
        QTest::newRow("unclosed") << QByteArray("<track><name>a</name>") << "line 1, column";
        QTest::newRow("doctype") << QByteArray("<!DOCTYPE x>\n<fps>1</fps>") << "line 1, column";
        QTest::newRow("invalid UTF-8") << QByteArray("<track><name>\xE9</name></track>") << "line 1, column";
    }
    void unparsableTextStops()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, where);
        RecordingLog log;
        const qor::Reanim reanim = read(text, log, false);
        QVERIFY(reanim.tracks.empty());
        QCOMPARE(log.lines.size(), 2);
        QCOMPARE(log.lines[0], QStringLiteral("setcontent"));
        QVERIFY2(log.lines[1].startsWith(QLatin1String("ERROR: the text is not well-formed XML at ") + where),
                 qPrintable(log.lines[1]));
    }

    void namesThatDoNotFitAreRefused_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");
        const QByteArray longName(256, 'n');
        const QByteArray fits(255, 'n');
        QTest::newRow("long track name") << "<track><name>" + longName + "</name></track>"
                                         << "ERROR: track 0 \"\": the name is 256 bytes long";
        QTest::newRow("long image") << "<track><name>ok</name></track><track><name>b</name><t/><t><i>" + longName +
                                           "</i></t></track>"
                                    << "ERROR: track 1 \"b\": the image name is 256 bytes long, more than 255 in frame 1";
        QTest::newRow("long font") << "<track><t><font>" + longName + "</font></t></track>"
                                   << "ERROR: track 0 \"\": the font name is 256";
        QTest::newRow("long text") << "<track><t><text>" + longName + "</text></t></track>"
                                   << "ERROR: track 0 \"\": the text is 256";
        QTest::newRow("outside Latin-1") << QByteArray("<track><name>a</name><t><i>\xE2\x82\xAC</i></t></track>")
                                         << "ERROR: track 0 \"a\": the image name holds a character outside Latin-1 (U+20AC)";
        QTest::newRow("255 bytes fit, 256th track name does not")
            << "<track><name>" + fits + "</name></track><track><name>x" + fits + "</name></track>"
            << "ERROR: track 1";
    }
    void namesThatDoNotFitAreRefused()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        RecordingLog log;
        read(text, log, false);
        QVERIFY(!log.lines.isEmpty());
        QVERIFY2(log.lines.last().startsWith(error), qPrintable(log.lines.last()));
    }
};

QTEST_APPLESS_MAIN(tst_XmlReader)
#include "tst_xmlreader.moc"
