// Writes the fuzz targets' seed corpora into FOLDER/compiled, FOLDER/body and FOLDER/text:
// valid animations of a few tracks and frames made by the tests' generator, each in all three
// forms, and the malformed shapes of the test tables: cut short, damaged, oversized counts.
#include "coreadapter.h"
#include "fuzzsupport.h"
#include "testdata.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstdio>
#include <random>
#include <string>

namespace {

using qtdata::Frame;
using qtdata::Track;

class Corpus {
public:
    explicit Corpus(const QString &folder) : folder_(folder) {}

    bool add(const char *kind, const QByteArray &bytes)
    {
        const QString dir = folder_ + QLatin1Char('/') + QLatin1String(kind);
        QFile file(dir + QStringLiteral("/seed-%1").arg(++count_, 4, 10, QLatin1Char('0')));
        ok_ = QDir().mkpath(dir) && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && ok_;
        return ok_;
    }

    bool ok() const { return ok_; }
    int count() const { return count_; }

private:
    QString folder_;
    int count_ = 0;
    bool ok_ = true;
};

QByteArray withWord(QByteArray bytes, qsizetype at, quint32 word)
{
    if (at + 4 <= bytes.size())
        qToLittleEndian(word, bytes.data() + at);
    return bytes;
}

// One animation in its three forms, and the compiled file and body cut short and damaged.
void addAnimation(Corpus &corpus, const QByteArray &body)
{
    qorfuzz::DiscardingLog log;
    const QByteArray file = testcore::wrap(body);
    corpus.add("body", body);
    corpus.add("compiled", file);
    corpus.add("text", testcore::textOf(body, log).value_or(QByteArray()));
    corpus.add("body", body.left(body.size() / 2));
    corpus.add("compiled", file.chopped(5));
    corpus.add("compiled", withWord(file, file.size() - 4, 0));
}

void addValidAnimations(Corpus &corpus)
{
    std::mt19937 random(2024);
    addAnimation(corpus, qtdata::workedExampleBody());
    for (int n = 0; n < 24; ++n)
        addAnimation(corpus,
                     qtdata::buildBody(float(testdata::randomInt(random, -20, 480)) / 4, qtdata::randomTracks(random)));
    Frame everything{.image = "IMG", .font = "Arial", .text = "Music & Sound"};
    everything.fields = {1.0f, -2.5f, 0.0f, 0.0625f, -0.0001f, 1234567.0f, -10000.5f, 0.1f};
    addAnimation(corpus, qtdata::buildBody(12, {Track{"a<b>&c", {everything, Frame{}}}, Track{" \xA0", {}},
                                                Track{std::string("ab\0c", 4), {Frame{.image = "caf\xE9"}}}}));
}

void addMalformedContainers(Corpus &corpus)
{
    const QByteArray framed = testcore::wrap(qtdata::workedExampleBody());
    for (const QByteArray &file : {withWord(framed, 4, 3), withWord(framed, 4, 0x7FFFFFFF), framed + "junk",
                                   withWord(testcore::wrap(QByteArray(3 << 12, 'q')), 4, 16), testcore::wrap({}),
                                   QByteArray(), framed.left(3), QByteArray::fromHex("DEADFED4") + framed.mid(4),
                                   framed.left(4), framed.left(8), framed.left(8) + qtdata::workedExampleBody()})
        corpus.add("compiled", file);
}

void addMalformedBodies(Corpus &corpus)
{
    const QByteArray one = qtdata::buildBody(12, {Track{"a", {Frame{.image = "I"}}}});
    for (const qsizetype at : {qsizetype(8), qsizetype(32), qsizetype(36), one.size() - 13})
        corpus.add("body", withWord(one, at, ~0u));
    corpus.add("body", withWord(qtdata::buildBody(30.5f, {}), 20, 99));
    corpus.add("body", qtdata::buildBody(12, {Track{std::string(300, 'n'), {}}}));
}

void addTexts(Corpus &corpus)
{
    const QByteArray n256(256, 'n');
    for (const QByteArray &text :
         {QByteArray("<fps>1</fps><fps> 30 </fps><track><fps>5</fps></track>"), QByteArray("<fps>fast</fps><fps>12.5</fps>"),
          QByteArray("<track><t><x></x><y>abc</y><a>0.500</a><a>2</a><kx>-10000</kx><X>7</X></t></track>"),
          QByteArray("<meta/><track><blend>1</blend><name>one</name><name>2nd</name></track>"),
          QByteArray("<fps>6</fps><!-- c --><track><t><x>1</x></t><!-- stop --><t/></track>"),
          QByteArray("<track><t><x>1</x>junk<y>2</y></t></track><?pi x?>"),
          QByteArray("<group><track><name>a</name></track></group><t><x>1</x></t>"),
          QByteArray("<track><name>a&amp;b&lt;&gt;&#13;</name><t><i><![CDATA[a<b]]></i></t></track>"
                     "<track><name>caf\xC3\xA9</name></track>"),
          QByteArray("<track><t><x>nan</x><y>-inf</y><sx>1e3</sx><sy>+0.0005</sy></t></track>"),
          QByteArray("<fps>1</fps>\n<track><name>a&b</name></track>"), QByteArray("<?xml version=\"1.0\"?>\n<fps>1</fps>"),
          QByteArray("<track>"), QByteArray("<name>\xE9</name>"), "<track><name>" + n256 + "</name></track>",
          "<track><name>b</name><t/><t><i>" + n256 + "</i></t></track>",
          "<track><t>" + QByteArray("<u>").repeated(200) + "</t></track>",
          QByteArray("<track><name>a</name><t><i>\xE2\x82\xAC</i></t></track>")})
        corpus.add("text", text);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    Corpus corpus(QString::fromLocal8Bit(argv[1]));
    addValidAnimations(corpus);
    addMalformedContainers(corpus);
    addMalformedBodies(corpus);
    addTexts(corpus);
    if (!corpus.ok()) {
        std::fprintf(stderr, "could not write the seeds into %s\n", argv[1]);
        return 1;
    }
    std::printf("%d seeds written to %s\n", corpus.count(), argv[1]);
    return 0;
}
