#include "checks.h"
#include "files.h"
#include "recordinglog.h"
#include "testdata.h"

#include "core/files/fileconversions.h"
#include "core/format/bodyreader.h"
#include "core/format/bodywriter.h"
#include "core/format/container.h"

#include <zlib.h>

#include <filesystem>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using testdata::Frame;
using testdata::Track;
using testfiles::readFile;
using testfiles::writeFile;

// Text to compiled file: the reader's rules, the serializer, and round trips through both ways.
namespace {

// The body inside a compiled file, read back with zlib alone: exactly as many bytes as its
// size word says, or nothing.
qor::Bytes bodyOf(std::string_view file)
{
    if (file.size() < 8)
        return {};
    const qor::ByteView bytes = qor::bytesOf(file);
    uLongf size = qor::loadLittle32(bytes.data() + 4);
    qor::Bytes body(size);
    if (uncompress(body.data(), &size, bytes.data() + 8, uLong(bytes.size() - 8)) != Z_OK || size != body.size())
        return {};
    return body;
}

Frame frame(std::initializer_list<std::pair<int, float>> fields, std::string image = {})
{
    Frame made;
    for (const auto &[index, value] : fields)
        made.fields[std::size_t(index)] = value;
    made.image = std::move(image);
    return made;
}

qor::Bytes body(const std::vector<Track> &tracks, float fps = 12)
{
    return testdata::buildBody(fps, tracks);
}

// A text and where it compiles to, in a folder of its own.
struct Compilation {
    testfiles::TemporaryFolder dir;
    const std::filesystem::path inPath = dir / "walk.reanim";
    const std::filesystem::path outPath = dir / "walk.reanim.compiled";

    bool compile(std::string_view text, RecordingLog &log) const
    {
        REQUIRE(writeFile(inPath, text));
        return qor::compileFile(inPath, outPath, log, qor::Flush::No);
    }
};

} // namespace

TEST_CASE("a text compiles to the body its elements give")
{
    Frame strings = frame({}, "I");
    strings.font = "Arial";
    strings.text = "Music & Sound";
    const struct {
        std::string_view name;
        std::string text;
        qor::Bytes body;
    } rows[] = {
        {"24 bytes", "<fps>12</fps>", body({})},
        {"worked example", std::string(testdata::workedExampleText), testdata::workedExampleBody()},
        {"101 bytes", "<track><name>a</name><t><x>1</x></t></track>", body({{"a", {frame({{0, 1}})}}})},
        {"font and text", "<track><t><i>I</i><font>Arial</font><text>Music &amp; Sound</text></t></track>",
         body({{"", {strings}}})},
        {"empty file, fps defaults", "", body({})},
        {"fps rules", "<fps>1</fps><fps> 30 </fps><track><fps>5</fps></track>", body({{"", {}}}, 30)},
        {"fps with a point", "<fps>12.5</fps>", body({}, 12.5f)},
        {"fps not a number", "<fps>fast</fps>", body({}, 0)},
        {"nested text counts", "<fps><b>2</b>4</fps>", body({}, 24)},
        {"fields: empty, bad, later wins, unset",
         "<track><t><x></x><y>abc</y><a>0.500</a><a>2</a><kx>-10000</kx><X>7</X></t></track>",
         body({{"", {frame({{0, 0}, {1, 0}, {7, 2}})}}})},
        {"nothing carried over", "<track><t><x>1</x><i>A</i></t><t><i>B</i></t></track>",
         body({{"", {frame({{0, 1}}, "A"), frame({}, "B")}}})},
        {"second name wins, others ignored", "<meta/><track><blend>1</blend><name>one</name><name>2nd</name></track>",
         body({{"2nd", {}}})},
        {"comment ends a track's walk", "<fps>6</fps><!-- c --><track><t><x>1</x></t><!-- stop --><t/></track>",
         body({{"", {frame({{0, 1}})}}}, 6)},
        {"text ends a frame's walk", "<track><t><x>1</x>junk<y>2</y></t></track>", body({{"", {frame({{0, 1}})}}})},
        {"wrapped or stray elements unseen", "<group><track><name>a</name></track></group><t><x>1</x></t>", body({})},
        {"entities, CDATA, UTF-8 Latin-1",
         "<track><name>a&amp;b&lt;&gt;</name><t><i><![CDATA[a<b]]></i></t></track>"
         "<track><name>caf\xC3\xA9</name></track>",
         body({{"a&b<>", {frame({}, "a<b")}}, {"caf\xE9", {}}})},
    };
    const Compilation files;
    for (const auto &row : rows) {
        CAPTURE(row.name);
        RecordingLog log;
        CHECK(files.compile(row.text, log));
        const std::string file = readFile(files.outPath);
        CHECK(bodyOf(file) == row.body);
        CHECK(qor::Bytes(file.begin(), file.end()) == qor::wrapBody(row.body));
    }
}

TEST_CASE("a successful compile logs each stage")
{
    const Compilation files;
    RecordingLog log;
    const std::string text = std::string(testdata::workedExampleText) + "<track></track>";
    CHECK(files.compile(text, log));
    CHECK(log.lines == std::vector<std::string>{"Read " + std::to_string(text.size()) + " 44",
                                                "Compile " + files.inPath.string(), "anim 1", " 0", "Compress ...",
                                                "Compiled finish [" + files.outPath.string() + ']'});
}

TEST_CASE("random animations round-trip through both converters byte for byte")
{
    const Compilation files;
    std::mt19937 random(1206);
    for (int run = 0; run < 300; ++run) {
        CAPTURE(run);
        const qor::Bytes body = testdata::buildBody(float(testdata::randomInt(random, -20, 480)) / 4,
                                                    testdata::randomTracks(random));
        RecordingLog log;
        const auto model = qor::readReanimBody(body, log);
        REQUIRE(model);
        CHECK(qor::serializeReanim(*model) == body);
        REQUIRE(writeFile(files.outPath, qor::charsOf(qor::wrapBody(body))));
        REQUIRE(qor::decompileFile(files.outPath, files.inPath, log, qor::Flush::No));
        const std::string text = readFile(files.inPath);
        CAPTURE(text);
        REQUIRE_MESSAGE(files.compile(text, log), log.lines);
        CHECK(bodyOf(readFile(files.outPath)) == body);
        REQUIRE(qor::decompileFile(files.outPath, files.inPath, log, qor::Flush::No));
        CHECK(readFile(files.inPath) == text);
    }
}

TEST_CASE("a compile that fails says why last and leaves the old output alone")
{
    const std::string n256(256, 'n');
    std::string nested = "<track><t>";
    for (int n = 0; n < 150000; ++n)
        nested += "<u>";
    nested += "</t></track>";
    const auto lines = [](const char *last) { return std::vector<std::string>{"setcontent", last}; };
    const struct {
        std::string_view name;
        std::string text;
        std::vector<std::string> lastLines;
    } rows[] = {
        {"bare ampersand", "<fps>1</fps>\n<track><name>a&b</name></track>",
         lines("ERROR: the text is not well-formed XML at line 2, column")},
        {"XML declaration", "<?xml version=\"1.0\"?>\n<fps>1</fps>",
         lines("ERROR: the text is not well-formed XML at line 1, column")},
        {"document type with entities", "<!DOCTYPE x [<!ENTITY a \"aaaa\">]><track><name>&a;</name></track>",
         lines("ERROR: the text is not well-formed XML at line 1, column 3: a document type declaration")},
        {"unclosed", "<track>", lines("ERROR: the text is not well-formed XML at line 1")},
        {"invalid UTF-8", "<fps>1</fps>\n<name>ab\xE9</name>",
         lines("ERROR: the text is not UTF-8 (a reanim text must be UTF-8): the byte 0xE9 "
               "at line 2, column 9 is not part of a UTF-8 character")},
        {"UTF-16", std::string("\xFF\xFE<\0f\0p\0s\0>\0", 12), lines("ERROR: the text is UTF-16; a reanim text must be UTF-8")},
        {"NUL byte", std::string("<name>a\0b</name>", 15),
         lines("ERROR: the text is not well-formed XML at line 1, column 8: the control character U+0000,")},
        {"long track name", "<track><name>" + n256 + "</name></track>", {"ERROR: track 0: the name is 256 bytes long"}},
        {"long image", "<track><name>b</name><t/><t><i>" + n256 + "</i></t></track>",
         {"ERROR: track 0 \"b\": the image name is 256 bytes long, more than 255 in frame 1"}},
        {"long font", "<track><t><font>" + n256 + "</font></t></track>", {"ERROR: track 0: the font name is 256"}},
        {"long text after 255",
         "<track><name>" + n256.substr(0, 255) + "</name></track><track><t><text>" + n256 + "</text></t></track>",
         {"ERROR: track 1: the text is 256"}},
        {"nested past the limit", nested, {"ERROR: the elements nest more than 10000 deep at line 1"}},
        {"last code point", "<track><name>&#x10FFFF;</name></track>",
         {"ERROR: track 0: the name holds a character outside Latin-1 (U+10FFFF)"}},
        {"outside Latin-1", "<track><name>a</name><t><i>\xE2\x82\xAC</i></t></track>",
         {"ERROR: track 0 \"a\": the image name holds a character outside Latin-1 (U+20AC)"}},
    };
    const Compilation files;
    for (const auto &row : rows) {
        CAPTURE(row.name);
        REQUIRE(writeFile(files.outPath, "old compiled bytes"));
        RecordingLog log;
        CHECK(!files.compile(row.text, log));
        REQUIRE(log.lines.size() >= row.lastLines.size());
        const std::size_t first = log.lines.size() - row.lastLines.size();
        for (std::size_t n = 0; n < row.lastLines.size(); ++n)
            CHECK_MESSAGE(log.lines[first + n].starts_with(row.lastLines[n]), log.lines);
        CHECK(readFile(files.outPath) == "old compiled bytes");
    }
}

TEST_CASE("a missing input and an unwritable output are reported")
{
    const Compilation files;
    const auto missing = files.dir / "missing.reanim";
    auto compiled = missing;
    compiled += ".compiled";
    RecordingLog log;
    CHECK(!qor::compileFile(missing, compiled, log, qor::Flush::No));
    CHECK(log.lines == std::vector<std::string>{"File not found " + missing.string(), "Compile " + missing.string(),
                                                "open fail"});
    CHECK(!std::filesystem::exists(compiled));

    REQUIRE(writeFile(files.inPath, testdata::workedExampleText));
    const auto target = files.inPath / "walk.reanim.compiled";
    CHECK(!qor::compileFile(files.inPath, target, log, qor::Flush::No));
    CHECK_MESSAGE(log.lines.back().starts_with("ERROR: cannot write " + target.string()), log.lines.back());
}
