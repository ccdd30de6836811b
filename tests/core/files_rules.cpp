// The run's rules of core/files, case by case: output planning and its refusals, the lines a
// run says, what a name says, and the folder walk on a tree made here.
#include <doctest/doctest.h>

#include "core/files/folderwalk.h"
#include "core/files/namerules.h"
#include "core/files/outputplan.h"
#include "core/files/runreport.h"

#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Names as the files they stand for: the same path is the same file, and `aliases` make two
// paths one (a hard link, or a folder reached through a link).
using Aliases = std::map<std::string, std::string>;

class NamedFiles : public qor::PlanFiles {
public:
    explicit NamedFiles(Aliases aliases = {}, std::string outside = {})
        : aliases_(std::move(aliases)), outside_(std::move(outside))
    {
    }
    std::string identity(const fs::path &path) const override
    {
        std::string key = path.lexically_normal().string();
        for (const auto &[from, to] : aliases_) {
            if (key.starts_with(from))
                key = to + key.substr(from.size());
        }
        return key;
    }
    bool liesWithin(const fs::path &path, const fs::path &) const override
    {
        return outside_.empty() || path.string().find(outside_) == std::string::npos;
    }

private:
    Aliases aliases_;
    std::string outside_;
};

struct Expected {
    std::size_t input;
    std::string output;
    std::string refusal; // empty: none
};

struct PlanCase {
    const char *name;
    std::vector<qor::PlanInput> inputs;
    qor::PlanRequest request;
    NamedFiles files;
    std::vector<Expected> planned;
};

} // namespace

TEST_CASE("a run's outputs are planned before anything is written")
{
    const std::string clash = "ERROR: a.reanim.compiled and a.compiled would both be written to a.reanim; "
                              "neither was converted";
    const PlanCase cases[] = {
        {"outputs lie beside their inputs",
         {{"d/walk.reanim.compiled", "walk.reanim.compiled"}, {"d/run.compiled", "run.compiled"}},
         {true, {}, {}, false},
         NamedFiles(),
         {{0, "d/walk.reanim", ""}, {1, "d/run.reanim", ""}}},
        {"a compile adds .compiled",
         {{"walk.reanim", "walk.reanim"}},
         {false, {}, {}, false},
         NamedFiles(),
         {{0, "walk.reanim.compiled", ""}}},
        {"two names of one file with outputs of their own are both converted (hard links)",
         {{"in/a.reanim.compiled", "a.reanim.compiled"}, {"in/b.reanim.compiled", "b.reanim.compiled"}},
         {true, {}, {}, false},
         NamedFiles(Aliases{{"in/b.reanim.compiled", "in/a.reanim.compiled"}}),
         {{0, "in/a.reanim", ""}, {1, "in/b.reanim", ""}}},
        {"one file by two spellings is converted once, without a clash",
         {{"in/a.reanim.compiled", "a.reanim.compiled"}, {"in/../in/a.reanim.compiled", "a.reanim.compiled"}},
         {true, {}, {}, false},
         NamedFiles(),
         {{0, "in/a.reanim", ""}}},
        {"one file through a linked folder is converted once",
         {{"in/a.reanim.compiled", "a.reanim.compiled"}, {"link/a.reanim.compiled", "a.reanim.compiled"}},
         {true, {}, {}, false},
         NamedFiles(Aliases{{"link/", "in/"}}),
         {{0, "in/a.reanim", ""}}},
        {"two files for one output are both refused",
         {{"a.reanim.compiled", "a.reanim.compiled"}, {"a.compiled", "a.compiled"}, {"b.reanim.compiled", "b.reanim.compiled"}},
         {true, {}, {}, false},
         NamedFiles(),
         {{0, "a.reanim", clash}, {1, "a.reanim", clash}, {2, "b.reanim", ""}}},
        {"an output that is another input by another spelling is refused",
         {{"d/a.reanim", "a.reanim"}, {"link/a.reanim.compiled", "a.reanim.compiled"}},
         {true, {}, {}, false},
         NamedFiles(Aliases{{"link/", "d/"}}),
         {{0, "d/a.reanim.reanim", ""},
          {1, "link/a.reanim",
           "ERROR: the output link/a.reanim of link/a.reanim.compiled would replace another input of this run; "
           "nothing was written"}}},
        {"folders of one name under one output folder clash, with the fix",
         {{"x/d/a.reanim.compiled", "d/a.reanim.compiled"}, {"y/d/a.reanim.compiled", "d/a.reanim.compiled"}},
         {true, {}, "same", true},
         NamedFiles(),
         {{0, "same/d/a.reanim",
           "ERROR: x/d/a.reanim.compiled and y/d/a.reanim.compiled would both be written to same/d/a.reanim; neither "
           "was converted (folders of the same name: give each run its own --output-dir)"},
          {1, "same/d/a.reanim",
           "ERROR: x/d/a.reanim.compiled and y/d/a.reanim.compiled would both be written to same/d/a.reanim; neither "
           "was converted (folders of the same name: give each run its own --output-dir)"}}},
        {"an output that would leave the output folder is refused",
         {{"../up.reanim.compiled", "../up.reanim.compiled"}},
         {true, {}, "out", false},
         NamedFiles(Aliases{}, ".."),
         {{0, "out/../up.reanim",
           "ERROR: the output out/../up.reanim would not lie under the output folder; nothing was written"}}},
        {"-o names the one output; standard input and output are streams",
         {{"-", "-"}},
         {true, "-", {}, false},
         NamedFiles(),
         {{0, "-", ""}}},
    };
    for (const PlanCase &each : cases) {
        CAPTURE(each.name);
        const std::vector<qor::PlannedOutput> planned = qor::planOutputs(each.inputs, each.request, each.files);
        REQUIRE(planned.size() == each.planned.size());
        for (std::size_t n = 0; n < planned.size(); ++n) {
            CHECK(planned[n].input == each.planned[n].input);
            CHECK(planned[n].output.string() == each.planned[n].output);
            CHECK(planned[n].refusal.value_or("") == each.planned[n].refusal);
        }
    }
}

TEST_CASE("a run's summary line, and when it has none; its words for a run of any size")
{
    struct Case {
        qor::RunKind kind;
        qor::RunTotals totals;
        std::size_t files;
        std::optional<std::string> line;
        std::string words;
    };
    const Case cases[] = {
        {qor::RunKind::Convert, {1, 0, 0, 0, 0, 0}, 1, std::nullopt, "1 converted, 0 failed, 0 skipped"},
        {qor::RunKind::Convert, {0, 1, 0, 0, 0, 0}, 1, std::nullopt, "0 converted, 1 failed, 0 skipped"},
        {qor::RunKind::Convert, {2, 1, 3, 0, 5, 0}, 6, "2 converted, 1 failed, 3 skipped", "2 converted, 1 failed, 3 skipped"},
        {qor::RunKind::Convert, {0, 0, 0, 0, 0, 1}, 1, "0 converted, 0 failed, 0 skipped, 1 not started: interrupted",
         "0 converted, 0 failed, 0 skipped, 1 not started: interrupted"},
        {qor::RunKind::Check, {3, 1, 0, 2, 4, 0}, 6, "3 come back the same, 2 differ, 1 failed, 4 warnings",
         "3 come back the same, 2 differ, 1 failed, 4 warnings"},
        {qor::RunKind::Check, {0, 0, 0, 0, 0, 1}, 1, std::nullopt, "0 come back the same, 0 differ, 0 failed, 0 warnings"},
        {qor::RunKind::Info, {4, 1, 0, 0, 0, 0}, 5, "4 read, 1 failed", "4 read, 1 failed"},
        {qor::RunKind::Info, {0, 1, 0, 0, 0, 0}, 1, std::nullopt, "0 read, 1 failed"},
    };
    for (const Case &each : cases) {
        CAPTURE(each.words);
        CHECK(qor::summaryLine(each.kind, each.totals, each.files) == each.line);
        CHECK(qor::totalsWords(each.kind, each.totals) == each.words);
    }
}

TEST_CASE("a conversion's report: warnings, then what was done or why not")
{
    qor::FileLines withError("w.reanim");
    withError.logLine("Read 12 44");
    withError.logLine("ERROR: cannot write w.reanim.compiled: Permission denied");
    qor::FileLines withoutError("w.reanim");
    withoutError.logLine("Read 0 44");
    const std::vector<qor::ReaderWarning> none;
    struct Case {
        const char *name;
        bool done;
        bool decompile;
        const qor::FileLines &log;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"decompiled", true, true, withoutError, {"Decompiled w.reanim.compiled to w.reanim"}},
        {"compiled", true, false, withoutError, {"Compiled w.reanim.compiled to w.reanim"}},
        {"the error lines say why", false, false, withError,
         {"ERROR: cannot write w.reanim.compiled: Permission denied"}},
        {"without one, the last reason", false, true, withoutError, {"ERROR: w.reanim.compiled: " + withoutError.lastError()}},
    };
    for (const Case &each : cases) {
        CAPTURE(each.name);
        CHECK(qor::conversionReport("w.reanim.compiled", "w.reanim", each.done, each.decompile, each.log, none) == each.lines);
    }
    CHECK(qor::skippedLine("a.reanim", "a.reanim.compiled") == "Skipped a.reanim: a.reanim.compiled exists");
}

TEST_CASE("what a name says of a file")
{
    const std::uint8_t magic[] = {0xD4, 0xFE, 0xAD, 0xDE, 0, 0, 0, 0};
    const std::uint8_t text[] = {'<', 'f', 'p', 's', '>'};
    struct Case {
        const char *name;
        qor::ByteView bytes;
        qor::FileKind kind;
        bool taken;
    };
    const Case cases[] = {
        {"walk.reanim.compiled", text, qor::FileKind::Compiled, true},
        {"WALK.REANIM", magic, qor::FileKind::Text, true},
        {"walk.Compiled", text, qor::FileKind::Compiled, true},
        {"notes.txt", magic, qor::FileKind::Compiled, false},
        {"notes.txt", text, qor::FileKind::Text, false},
        {".hidden.reanim", text, qor::FileKind::Text, false},
        {"reanim", text, qor::FileKind::Text, false},
    };
    const std::vector<std::string> both{".compiled", ".reanim"};
    for (const Case &each : cases) {
        CAPTURE(each.name);
        CHECK(qor::kindOf(each.name, each.bytes) == each.kind);
        CHECK(qor::takenInFolder(each.name, both) == each.taken);
    }
}

TEST_CASE("the folder walk: any depth, any case, in path order, nothing hidden, no linked folder, not the output")
{
    const fs::path root = fs::temp_directory_path() / ("qorutil-walk-" + std::to_string(std::uintptr_t(&root)));
    fs::remove_all(root);
    const std::vector<std::string> tree{"b.reanim", "A.REANIM", "notes.txt", "d/c.reanim", "d/deep/e.Reanim",
                                        ".hidden/f.reanim", "d/.g.reanim", "out/h.reanim", "elsewhere/z.reanim"};
    for (const std::string &name : tree) {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name) << "<fps>1</fps>";
    }
    std::error_code error;
    fs::create_directory_symlink(root / "elsewhere", root / "d" / "link", error);
    fs::create_symlink(root / "b.reanim", root / "d" / "linked.reanim", error);

    const qor::FolderWalk walk = qor::walkFolder(root, {".reanim"}, "top", root / "d" / ".." / "out");
    std::vector<std::string> relative;
    for (const qor::WalkedFile &found : walk.files) {
        CHECK(found.file == root / found.relative.lexically_relative("top"));
        relative.push_back(found.relative.generic_string());
    }
    std::vector<std::string> expected{"top/A.REANIM", "top/b.reanim", "top/d/c.reanim", "top/d/deep/e.Reanim",
                                      "top/elsewhere/z.reanim"};
    if (!error)
        expected.insert(expected.begin() + 4, "top/d/linked.reanim");
    CHECK(relative == expected);
    CHECK(walk.failures.empty());

    // The same tree as a browser lists a folder gives the same files in the same order, but for
    // the linked file, which a listing has not, and the run's output folder, which it does not skip.
    std::vector<std::string> listed;
    for (const std::size_t n : qor::takenFromListing(tree, {".reanim"}))
        listed.push_back("top/" + tree[n]);
    std::erase(expected, "top/d/linked.reanim");
    expected.push_back("top/out/h.reanim");
    CHECK(listed == expected);

    const qor::FolderWalk missing = qor::walkFolder(root / "nothing", {".reanim"});
    CHECK(missing.files.empty());
    REQUIRE(missing.failures.size() == 1);
    CHECK(missing.failures[0].path == root / "nothing");
    fs::remove_all(root);
}
