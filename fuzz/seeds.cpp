// Writes the fuzz targets' seed corpora into FOLDER/compiled, FOLDER/body and FOLDER/text:
// valid animations of a few tracks and frames made by the tests' generator, each in all three
// forms, and the malformed shapes of the test tables: cut short, damaged, oversized counts.
#include "core/files.h"
#include "core/testdata.h"
#include "fuzzsupport.h"

#include "core/format/container.h"
#include "core/format/decompiler.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

using testdata::concat;
using testdata::firstBytes;
using testdata::Frame;
using testdata::Track;
using testdata::withWord;

// Seeds numbered in the order they come, in a folder for each kind of input.
struct Corpus {
    std::filesystem::path folder;
    int count = 0;
    bool ok = true;

    void add(const char *kind, qor::ByteView bytes)
    {
        char name[32];
        std::snprintf(name, sizeof name, "seed-%04d", ++count);
        std::error_code error; // the write below fails too
        std::filesystem::create_directories(folder / kind, error);
        ok = testfiles::writeFile(folder / kind / name, qor::charsOf(bytes)) && ok;
    }
};

// One animation in its three forms, and the compiled file and body cut short and damaged.
void addAnimation(Corpus &corpus, const qor::Bytes &body)
{
    qorfuzz::DiscardingLog log;
    const qor::Bytes file = qor::wrapBody(body);
    corpus.add("body", body);
    corpus.add("compiled", file);
    corpus.add("text", qor::bytesOf(qor::decompileBodyToText(body, log).value_or(std::string())));
    corpus.add("body", firstBytes(body, body.size() / 2));
    corpus.add("compiled", firstBytes(file, file.size() - 5));
    corpus.add("compiled", withWord(file, file.size() - 4, 0));
}

void addValidAnimations(Corpus &corpus)
{
    std::mt19937 random(2024);
    addAnimation(corpus, testdata::workedExampleBody());
    for (int n = 0; n < 24; ++n)
        addAnimation(corpus,
                     testdata::buildBody(float(testdata::randomInt(random, -20, 480)) / 4, testdata::randomTracks(random)));
    Frame everything{.image = "IMG", .font = "Arial", .text = "Music & Sound"};
    everything.fields = {1.0f, -2.5f, 0.0f, 0.0625f, -0.0001f, 1234567.0f, -10000.5f, 0.1f};
    addAnimation(corpus, testdata::buildBody(12, {Track{"a<b>&c", {everything, Frame{}}}, Track{" \xA0", {}},
                                                  Track{std::string("ab\0c", 4), {Frame{.image = "caf\xE9"}}}}));
}

void addMalformedContainers(Corpus &corpus)
{
    const qor::Bytes framed = qor::wrapBody(testdata::workedExampleBody());
    for (const qor::Bytes &file : {withWord(framed, 4, 3), withWord(framed, 4, 0x7FFFFFFF), concat(framed, qor::bytesOf("junk")),
                                   withWord(qor::wrapBody(qor::Bytes(3 << 12, 'q')), 4, 16), qor::wrapBody({}),
                                   qor::Bytes(), firstBytes(framed, 3),
                                   concat(testdata::fromHex("DEADFED4"), qor::ByteView(framed).subspan(4)),
                                   firstBytes(framed, 4), firstBytes(framed, 8),
                                   concat(firstBytes(framed, 8), testdata::workedExampleBody())})
        corpus.add("compiled", file);
}

void addMalformedBodies(Corpus &corpus)
{
    const qor::Bytes one = testdata::buildBody(12, {Track{"a", {Frame{.image = "I"}}}});
    for (const std::size_t at : {std::size_t(8), std::size_t(32), std::size_t(36), one.size() - 13})
        corpus.add("body", withWord(one, at, ~0u));
    corpus.add("body", withWord(testdata::buildBody(30.5f, {}), 20, 99));
    corpus.add("body", testdata::buildBody(12, {Track{std::string(300, 'n'), {}}}));
}

void addTexts(Corpus &corpus)
{
    const std::string n256(256, 'n');
    std::string deep;
    for (int n = 0; n < 200; ++n)
        deep += "<u>";
    const std::string texts[] = {
        "<fps>1</fps><fps> 30 </fps><track><fps>5</fps></track>", "<fps>fast</fps><fps>12.5</fps>",
        "<track><t><x></x><y>abc</y><a>0.500</a><a>2</a><kx>-10000</kx><X>7</X></t></track>",
        "<meta/><track><blend>1</blend><name>one</name><name>2nd</name></track>",
        "<fps>6</fps><!-- c --><track><t><x>1</x></t><!-- stop --><t/></track>",
        "<track><t><x>1</x>junk<y>2</y></t></track><?pi x?>",
        "<group><track><name>a</name></track></group><t><x>1</x></t>",
        "<track><name>a&amp;b&lt;&gt;&#13;</name><t><i><![CDATA[a<b]]></i></t></track>"
        "<track><name>caf\xC3\xA9</name></track>",
        "<track><t><x>nan</x><y>-inf</y><sx>1e3</sx><sy>+0.0005</sy></t></track>",
        "<fps>1</fps>\n<track><name>a&b</name></track>", "<?xml version=\"1.0\"?>\n<fps>1</fps>",
        "<track>", "<name>\xE9</name>", "<track><name>" + n256 + "</name></track>",
        "<track><name>b</name><t/><t><i>" + n256 + "</i></t></track>",
        "<track><t>" + deep + "</t></track>",
        "<track><name>a</name><t><i>\xE2\x82\xAC</i></t></track>"};
    for (const std::string &text : texts)
        corpus.add("text", qor::bytesOf(text));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    Corpus corpus{argv[1]};
    addValidAnimations(corpus);
    addMalformedContainers(corpus);
    addMalformedBodies(corpus);
    addTexts(corpus);
    if (!corpus.ok) {
        std::fprintf(stderr, "could not write the seeds into %s\n", argv[1]);
        return 1;
    }
    std::printf("%d seeds written to %s\n", corpus.count, argv[1]);
    return 0;
}
