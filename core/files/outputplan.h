#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qor {

// How a run's files are told apart and where its outputs may go. On a disk two paths are one
// file by device and inode, and a folder is worked out through its links (fileidentity.h);
// the page, which has only names, compares the names.
class PlanFiles {
public:
    virtual ~PlanFiles() = default;
    // The same key for two paths of one file (see fileIdentity).
    virtual std::string identity(const std::filesystem::path &path) const = 0;
    // Whether `path` lies inside `folder`.
    virtual bool liesWithin(const std::filesystem::path &path, const std::filesystem::path &folder) const = 0;
};

// What a decompile or compile run asks for.
struct PlanRequest {
    bool decompile = true;
    std::filesystem::path output;    // -o: the one output; "-" for standard output
    std::filesystem::path outputDir; // --output-dir; empty for outputs beside their inputs
    bool severalArguments = false;   // more than one file or folder was named
};

// One input of a run: "-" for standard input.
struct PlanInput {
    std::filesystem::path file;
    std::filesystem::path relative; // where its output goes below the output folder
};

// One input and the output it gets, or the "ERROR:" line that refuses it.
struct PlannedOutput {
    std::size_t input = 0;          // its index among the inputs
    std::filesystem::path output;   // "-" for standard output
    std::optional<std::string> refusal;
};

// The output an input gets, before anything is refused.
std::filesystem::path outputFor(const PlanInput &input, const PlanRequest &request);

// Works out every output before anything is written, in input order. An input named again
// (the same file, by any spelling, that would write the same output) is planned once: only
// the first of its names has an entry. Two names of one file whose outputs differ (hard
// links, say) are two inputs, each converted, as cp copies both. Refused: two inputs that
// would write one output (both of them), an output that would replace another input of the
// run, and an output that would not lie under the output folder.
std::vector<PlannedOutput> planOutputs(const std::vector<PlanInput> &inputs, const PlanRequest &request,
                                       const PlanFiles &files);

// The two lines of planning, given paths as shown.
std::string clashLine(std::string_view first, std::string_view second, std::string_view output, bool folderHint);
std::string outsideOutputFolderLine(std::string_view output, bool throughLink);

} // namespace qor
