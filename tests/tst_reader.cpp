#include "coreadapter.h"
#include "core/format/bodywriter.h"
#include "core/format/decompiler.h"
#include "core/format/linereader.h"
#include "core/format/xmlreader.h"
#include "domreader.h"
#include "recordinglog.h"
#include "testdata.h"

#include <QRandomGenerator>
#include <QtTest>

// The streaming reader against the document reader it replaced: every text must give the
// same model and the same log, or fail in both.
namespace {

struct Outcome {
    bool ok;
    QStringList lines;
    QByteArray body; // the serializer writes every field of the model: equal bodies, equal models
};

enum class Reader { Streaming, Document };

Outcome outcome(Reader reader, const QByteArray &text)
{
    qor::Reanim reanim;
    RecordingLog log;
    const bool ok = reader == Reader::Streaming ? qor::readReanimXml(qorqt::charsOf(text), reanim, log)
                                                : domreader::readReanimXml(text, reanim, log);
    return {ok, log.lines, testcore::serialize(reanim)};
}

// Where and why a text is not well-formed is each parser's own wording; that it is not, and
// everything logged before, must agree.
QStringList comparable(QStringList lines)
{
    if (lines.size() > 1 && lines[lines.size() - 2] == QLatin1String("setcontent"))
        lines.last() = QStringLiteral("<not well-formed>");
    return lines;
}

const char *const pieces[] = {
    "<fps>", "</fps>", "<track>", "</track>", "<name>", "</name>", "<t>", "</t>", "<t/>", "<x>", "</x>", "<ky>",
    "</ky>", "<a>", "</a>", "<i>", "</i>", "<font>", "</font>", "<text>", "</text>", "<X>", "</X>", "<u>", "</u>",
    "<u/>", "<!-- c -->", "<?pi x?>", "<![CDATA[]]>", "<![CDATA[ ]]>", "<![CDATA[a<b]]>", " ", "\n", "\t", "\r\n",
    "&amp;", "&lt;", "&#32;", "&#10;", "&#13;", "&#xA0;", "&#233;", "&#x20AC;", "1", "-2.5", "0.500", "abc", "1e3",
    "nan", "\xC3\xA9", "\xC2\xA0", "\xE3\x80\x80", "&#x3000;", "&", "<", "]]>", "<!DOCTYPE x>", "<?xml version='1.0'?>", "&bogus;", "\xFF",
};

QByteArray randomPieces(QRandomGenerator &random, int count)
{
    QByteArray text;
    for (int n = 0; n < count; ++n)
        text += pieces[random.bounded(int(std::size(pieces)))];
    return text;
}

// A text of well-formed shape: tracks of frames, with blanks, comments and stray nodes
// sprinkled where a person editing it might leave them.
QByteArray randomDocument(QRandomGenerator &random)
{
    const auto sprinkle = [&]() -> QByteArray {
        const char *const extras[] = {"", "", "", "\n", " ", "<!--c-->", "<u>1</u>", "z", "<![CDATA[ ]]>", "&#32;", "<?p?>"};
        return extras[random.bounded(int(std::size(extras)))];
    };
    const auto value = [&]() -> QByteArray {
        const char *const values[] = {"1.000", " 2 ", "-0.5", "", "x", "3<!--c-->4", "<u>7</u>", "&#49;", "<![CDATA[8]]>"};
        return values[random.bounded(int(std::size(values)))];
    };
    QByteArray text = "<fps>" + value() + "</fps>" + sprinkle();
    for (int track = random.bounded(4); track > 0; --track) {
        text += "<track>" + sprinkle() + "<name>" + value() + "</name>" + sprinkle();
        for (int frame = random.bounded(4); frame > 0; --frame) {
            text += "<t>";
            for (const char *field : {"x", "y", "kx", "ky", "sx", "sy", "f", "a", "i", "font", "text"}) {
                if (random.bounded(3) == 0)
                    text += "<" + QByteArray(field) + ">" + value() + "</" + QByteArray(field) + ">" + sprinkle();
            }
            text += "</t>" + sprinkle();
        }
        text += "</track>" + sprinkle();
    }
    return text;
}

// A text as the decompiler writes it, which the reader takes on its short path.
QByteArray decompiledText(QRandomGenerator &random)
{
    std::mt19937 tracks(random.generate());
    qor::DiscardingLog quiet;
    return testcore::textOf(qtdata::buildBody(float(random.bounded(-40, 480)) / 8, qtdata::randomTracks(tracks)), quiet)
        .value_or(QByteArray());
}

QByteArray mutated(QRandomGenerator &random, QByteArray text)
{
    const int at = random.bounded(int(text.size()) + 1);
    switch (random.bounded(3)) {
    case 0:
        return text.remove(at, random.bounded(8));
    case 1:
        return text.insert(at, pieces[random.bounded(int(std::size(pieces)))]);
    default:
        return text.insert(at, text.mid(random.bounded(int(text.size()) + 1), random.bounded(20)));
    }
}

} // namespace

class tst_Reader : public QObject {
    Q_OBJECT

    static void compare(const QByteArray &text)
    {
        const Outcome expected = outcome(Reader::Document, text);
        const Outcome actual = outcome(Reader::Streaming, text);
        // The document reader takes a processing instruction whose target is not an XML name.
        static const QRegularExpression badTarget(QStringLiteral("<\\?([^A-Za-z_:]|[^?>]*[^\\x{0}-\\x{7F}])"));
        if (expected.ok && !actual.ok && QString::fromLatin1(text).contains(badTarget))
            return;
        QVERIFY2(actual.ok == expected.ok && comparable(actual.lines) == comparable(expected.lines)
                     && (!actual.ok || actual.body == expected.body),
                 qPrintable(QString::fromLatin1("streamed: %1\ndocument: %2\ntext: %3")
                                .arg(actual.lines.join(u" | "), expected.lines.join(u" | "),
                                     QString::fromLatin1(text.toPercentEncoding(" <>/!?=\"'.-_")))));
    }

private slots:
    void initTestCase()
    {
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
            if (type != QtDebugMsg)
                std::fprintf(stderr, "%s\n", qPrintable(message));
        });
    }

    void sameModelAsTheDocumentReader_data()
    {
        QTest::addColumn<QByteArray>("text");
        QRandomGenerator random(1208);
        for (int n = 0; n < 1500; ++n) {
            const QByteArray document = randomDocument(random);
            QTest::addRow("document %d", n) << document;
            QTest::addRow("mutation %d", n) << mutated(random, mutated(random, document));
            QTest::addRow("pieces %d", n) << randomPieces(random, random.bounded(1, 12));
            const QByteArray lines = decompiledText(random);
            QTest::addRow("lines %d", n) << lines;
            QTest::addRow("lines mutation %d", n) << mutated(random, lines);
        }
    }
    void sameModelAsTheDocumentReader()
    {
        QFETCH(QByteArray, text);
        compare(text);
    }

    // Texts the decompiler wrote take the short path, but for names of blanks alone.
    void decompiledTextsTakeTheLinePath()
    {
        QRandomGenerator random(1209);
        int taken = 0;
        for (int n = 0; n < 300; ++n)
            taken += qor::readDecompilerLines(qorqt::charsOf(decompiledText(random))).has_value();
        QVERIFY2(taken > 250, qPrintable(QString::number(taken)));
    }
};

QTEST_GUILESS_MAIN(tst_Reader)
#include "tst_reader.moc"
