#include "checks.h"
#include "files.h"
#include "recordinglog.h"
#include "testdata.h"

#include "core/files/fileconversions.h"
#include "core/files/outputfile.h"
#include "core/format/bodyreader.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

using testdata::concat;
using testdata::firstBytes;
using testdata::Frame;
using testdata::Track;
using testdata::withWord;
using testfiles::readFile;
using testfiles::writeFile;

// Compiled file to text: the container, the body walk and the text written.
namespace {

std::string text(std::string_view tracks)
{
    return "<fps>12</fps>\n" + std::string(tracks);
}

// The text of `body` written to `outPath` as Decompile writes it, with its last line.
bool writeText(qor::ByteView body, const std::filesystem::path &outPath, qor::LogSink &log,
               qor::Flush flush = qor::Flush::No)
{
    qor::OutputFile file(outPath, log, flush);
    if (!file.open() || !qor::decompileBody(body, [&](std::string_view piece) { return file.write(piece); }, log)
        || !file.commit())
        return false;
    log.logLine("Decompile finish [" + outPath.string() + ']');
    return true;
}

std::string readLine(std::size_t fileSize)
{
    return "Read " + std::to_string(fileSize) + " 44";
}

} // namespace

TEST_CASE("the worked example decompiles to its five lines and logs each stage")
{
    const testfiles::TemporaryFolder dir;
    const auto inPath = dir / "walk.reanim.compiled";
    const auto outPath = dir / "walk.reanim";
    const qor::Bytes file = qor::wrapBody(testdata::workedExampleBody());
    CHECK(firstBytes(file, 9) == testdata::fromHex("D4FEADDE6B00000078"));
    REQUIRE(writeFile(inPath, qor::charsOf(file)));
    RecordingLog log;
    CHECK(qor::decompileFile(inPath, outPath, log, qor::Flush::No));
    CHECK(readFile(outPath) == testdata::workedExampleText);
    CHECK(log.lines == std::vector<std::string>{readLine(file.size()), "Decompress [" + inPath.string() + "] ...",
                                                "Decompile finish [" + outPath.string() + ']'});
}

TEST_CASE("a compiled file gives its body, whatever its size word says, or one error line")
{
    const testfiles::TemporaryFolder dir;
    const auto inPath = dir / "walk.reanim.compiled";
    const qor::Bytes body = testdata::workedExampleBody();
    const qor::Bytes framed = qor::wrapBody(body);
    const qor::Bytes big(3 << 20, 'q');
    // Its code lengths run one past the last: libdeflate takes it, zlib does not. Found by
    // fuzzing: the size word chose which of the two judged it.
    const qor::Bytes overrun = testdata::fromHex("D4FEADDE10000000789CEDC12101000000C3A0CCEB6F5EE30231"
                                                 "0000000100000000000000000001000000D8313C");
    const std::string header = "ERROR: incorrect header";
    const struct {
        std::string_view name;
        qor::Bytes file;
        qor::Bytes body;
        std::string error;
    } rows[] = {
        {"size word too small", withWord(framed, 4, 3), body, ""},
        {"size word too large", withWord(framed, 4, 0x7FFFFFFF), body, ""},
        {"trailing bytes", concat(framed, qor::bytesOf("junk")), body, ""},
        {"past the first buffer", withWord(qor::wrapBody(big), 4, 16), big, ""},
        {"empty body", qor::wrapBody({}), {}, ""},
        {"lengths overrun, size word 16", overrun, {}, ""},
        {"lengths overrun, size word too large", withWord(overrun, 4, ~0u), {}, ""},
        {"empty", {}, {}, header},
        {"3 bytes", firstBytes(framed, 3), {}, header},
        {"big-endian magic", concat(testdata::fromHex("DEADFED4"), qor::ByteView(framed).subspan(4)), {}, header},
        {"magic only", firstBytes(framed, 4), {}, "ERROR: no compressed body"},
        {"header only", firstBytes(framed, 8), {}, "ERROR: no compressed body"},
        {"truncated", firstBytes(framed, framed.size() - 5), {}, "ERROR: the compressed body is cut short"},
        {"wrong Adler-32", withWord(framed, framed.size() - 4, 0), {}, "ERROR: the compressed body is damaged"},
        {"not compressed", concat(firstBytes(framed, 8), body), {}, "ERROR: the compressed body is damaged"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        REQUIRE(writeFile(inPath, qor::charsOf(row.file)));
        RecordingLog log;
        const auto loaded = qor::loadCompiledBody(inPath, log);
        REQUIRE(log.lines.size() == (row.error.empty() ? 1 : 2));
        CHECK(log.lines[0] == readLine(row.file.size()));
        if (row.error.empty()) {
            REQUIRE(loaded);
            CHECK(*loaded == row.body);
        } else {
            CHECK(!loaded);
            CHECK_MESSAGE(log.lines[1].starts_with(row.error), log.lines[1]);
        }
    }
}

TEST_CASE("a body that inflates past the limit is refused")
{
    RecordingLog log;
    const qor::Bytes file = qor::wrapBody(qor::Bytes(5000, 0));
    CHECK(!qor::inflateCompiledFile(file, log, 4999));
    CHECK(log.lines == std::vector<std::string>{"ERROR: the body inflates to more than 4999 bytes"});
    const auto atTheLimit = qor::inflateCompiledFile(file, log, 5000);
    REQUIRE(atTheLimit);
    CHECK(atTheLimit->size() == 5000);
}

TEST_CASE("a body gives its text, on disk and in memory alike")
{
    const testfiles::TemporaryFolder dir;
    const auto outPath = dir / "walk.reanim";
    Frame fields;
    fields.fields = {1.0f, -2.5f, 0.0f, 0.0625f, -0.0001f, 1234567.0f, -10000.5f, 0.1f};
    const std::string longName(5000, 'n');
    const struct {
        std::string_view name;
        qor::Bytes body;
        std::string text;
    } rows[] = {
        {"negative fps, no tracks", concat(testdata::buildBody(-7, {}), qor::bytesOf("extra")), "<fps>-7</fps>\n"},
        {"fps from the float, not the word at 20", withWord(testdata::buildBody(30.5f, {}), 20, 99), "<fps>30.5</fps>\n"},
        {"empty track and frame", testdata::buildBody(12, {Track{"", {Frame{}}}, Track{"h", {}}}),
         text("<track>\n<name></name>\n<t></t>\n</track>\n<track>\n<name>h</name>\n</track>\n")},
        {"all eight fields", testdata::buildBody(12, {Track{"a", {fields}}}),
         text("<track>\n<name>a</name>\n<t><x>1.000</x><y>-2.500</y><kx>0.000</kx><ky>0.062</ky>"
              "<sx>-0.000</sx><sy>1234567.000</sy><f>-10000.500</f><a>0.100</a></t>\n</track>\n")},
        {"names cut at a zero byte",
         testdata::buildBody(12, {Track{std::string("ab\0c", 4), {Frame{.image = std::string("\0i", 2)}}}}),
         text("<track>\n<name>ab</name>\n<t><i></i></t>\n</track>\n")},
        {"font and text strings",
         testdata::buildBody(12, {Track{"c", {Frame{.image = "I", .font = "Arial", .text = "Music & Sound"}, Frame{.text = "hi"}}}}),
         text("<track>\n<name>c</name>\n<t><i>I</i><font>Arial</font><text>Music &amp; Sound</text></t>\n"
              "<t><text>hi</text></t>\n</track>\n")},
        {"markup escaped, Latin-1 as UTF-8", testdata::buildBody(12, {Track{"a<b>&c", {Frame{.image = "caf\xE9<i>"}}}}),
         text("<track>\n<name>a&lt;b&gt;&amp;c</name>\n<t><i>caf\xC3\xA9&lt;i&gt;</i></t>\n</track>\n")},
        {"carriage return as a reference, tab and line feed as they are",
         testdata::buildBody(12, {Track{"a\rb\tc\nd", {}}}), text("<track>\n<name>a&#13;b\tc\nd</name>\n</track>\n")},
        {"blank name kept in CDATA", testdata::buildBody(12, {Track{" \xA0", {}}}),
         text("<track>\n<name><![CDATA[ \xC2\xA0]]></name>\n</track>\n")},
        {"long name written whole", testdata::buildBody(12, {Track{longName, {}}}),
         text("<track>\n<name>" + longName + "</name>\n</track>\n")},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        RecordingLog log;
        CHECK(writeText(row.body, outPath, log));
        CHECK(readFile(outPath) == row.text);
        CHECK(qor::decompileBodyToText(row.body, log) == row.text);
        CHECK(log.lines == std::vector<std::string>{"Decompile finish [" + outPath.string() + ']'});
    }
}

TEST_CASE("a body cut anywhere stops with one error line and leaves the output alone")
{
    const testfiles::TemporaryFolder dir;
    const qor::Bytes body =
        testdata::buildBody(12, {Track{"anim", {Frame{.image = "IMG", .font = "F", .text = "T"}, Frame{}}}, Track{"b", {}}});
    const auto out = dir / "cut.reanim";
    for (std::size_t cut = 0; cut < body.size(); ++cut) {
        CAPTURE(cut);
        REQUIRE(writeFile(out, "old bytes"));
        RecordingLog log;
        const qor::Bytes shorter = firstBytes(body, cut);
        CHECK(!writeText(shorter, out, log));
        CHECK(!qor::readReanimBody(shorter, log));
        REQUIRE(log.lines.size() == 2);
        CHECK(log.lines[1] == log.lines[0]);
        CHECK_MESSAGE(log.lines[0].starts_with("ERROR: the body ends at byte " + std::to_string(cut) + ", inside "),
                      log.lines[0]);
        CHECK(readFile(out) == "old bytes");
    }
    // No temporary file is left beside the output.
    std::vector<std::string> left;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        left.push_back(entry.path().filename().string());
    CHECK(left == std::vector<std::string>{"cut.reanim"});
}

TEST_CASE("a replaced output keeps its permissions, flushed to disk or not")
{
    namespace fs = std::filesystem;
    const testfiles::TemporaryFolder dir;
    const auto out = dir / "kept.reanim";
    REQUIRE(writeFile(out, "old bytes"));
    const fs::perms permissions = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(out, permissions);
    for (const qor::Flush flush : {qor::Flush::No, qor::Flush::ToDisk}) {
        RecordingLog log;
        CHECK(writeText(testdata::workedExampleBody(), out, log, flush));
        CHECK(readFile(out) == testdata::workedExampleText);
        CHECK(fs::status(out).permissions() == permissions);
    }
}

TEST_CASE("a count or length past the body's end, or a name no text can hold, is one error line and no output")
{
    const testfiles::TemporaryFolder dir;
    const auto out = dir / "refused.reanim";
    const qor::Bytes one = testdata::buildBody(12, {Track{"a", {Frame{.image = "I"}}}});
    const struct {
        std::string_view name;
        qor::Bytes body;
        std::string error;
    } rows[] = {
        {"track count", withWord(one, 8, ~0u), "the track table of 4294967295 tracks"},
        {"frame count", withWord(one, 32, ~0u), "the 4294967295 transform records of track 0"},
        {"name length", withWord(one, 36, ~0u), "the name of track 0"},
        {"image name length", withWord(one, one.size() - 13, ~0u), "the image name of frame 0 of track 0"},
        {"control byte", testdata::buildBody(12, {Track{"t", {Frame{}, Frame{.font = "a\x01"}}}}),
         "ERROR: track 0 \"t\": the font name of frame 1 holds the control character U+0001"},
        {"carriage return among blanks", testdata::buildBody(12, {Track{"ok", {}}, Track{" \r", {}}}),
         "ERROR: track 1 \" \\r\": the name holds the control character U+000D"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        RecordingLog log;
        CHECK(!writeText(row.body, out, log));
        REQUIRE(log.lines.size() == 1);
        CHECK_MESSAGE((log.lines[0].starts_with("ERROR: ") && log.lines[0].find(row.error) != std::string::npos),
                      log.lines[0]);
        CHECK(!std::filesystem::exists(out));
    }
}

TEST_CASE("an output that cannot be written is reported with its path")
{
    const testfiles::TemporaryFolder dir;
    const auto file = dir / "plain-file";
    REQUIRE(writeFile(file, "x"));
    for (const std::filesystem::path &target : {file / "out.reanim", dir / "no/out", dir.path()}) {
        CAPTURE(target.string());
        RecordingLog log;
        CHECK(!writeText(testdata::workedExampleBody(), target, log));
        REQUIRE(log.lines.size() == 1);
        CHECK_MESSAGE(log.lines[0].starts_with("ERROR: cannot write " + target.string() + ": "), log.lines[0]);
    }
}
