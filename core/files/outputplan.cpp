#include "core/files/outputplan.h"

#include "core/files/outputname.h"
#include "core/files/pathnames.h"

#include <map>
#include <set>
#include <utility>

namespace qor {

namespace fs = std::filesystem;

namespace {

bool isStream(const fs::path &path)
{
    return path == "-";
}

std::string shown(const fs::path &path)
{
    return escapedPath(path);
}

} // namespace

fs::path outputFor(const PlanInput &input, const PlanRequest &request)
{
    const auto name = request.decompile ? &decompiledPathFor : &compiledPathFor;
    if (!request.output.empty())
        return request.output;
    if (request.outputDir.empty())
        return name(input.file);
    return request.outputDir / input.relative.parent_path() / name(input.relative.filename());
}

std::string clashLine(std::string_view first, std::string_view second, std::string_view output, bool folderHint)
{
    std::string line = "ERROR: " + std::string(first) + " and " + std::string(second) + " would both be written to "
        + std::string(output) + "; neither was converted";
    if (folderHint)
        line += " (folders of the same name: give each run its own --output-dir)";
    return line;
}

std::string outsideOutputFolderLine(std::string_view output, bool throughLink)
{
    return "ERROR: the output " + std::string(output) + " would not lie under the output folder"
        + (throughLink ? " (through a link)" : "") + "; nothing was written";
}

std::vector<PlannedOutput> planOutputs(const std::vector<PlanInput> &inputs, const PlanRequest &request,
                                       const PlanFiles &files)
{
    std::vector<PlannedOutput> planned;
    std::map<std::string, std::size_t> firstWriter; // output key -> entry
    std::map<std::string, std::size_t> inputAt;     // input key -> input
    std::vector<std::string> inputKeys;
    for (std::size_t n = 0; n < inputs.size(); ++n) {
        inputKeys.push_back(isStream(inputs[n].file) ? std::string() : files.identity(inputs[n].file));
        if (!isStream(inputs[n].file))
            inputAt.emplace(inputKeys.back(), n);
    }
    std::set<std::pair<std::string, std::string>> seen; // (input key, output key)
    const bool folderHint = !request.outputDir.empty() && request.severalArguments;
    for (std::size_t n = 0; n < inputs.size(); ++n) {
        PlannedOutput item{n, outputFor(inputs[n], request), std::nullopt};
        if (isStream(item.output)) {
            planned.push_back(std::move(item));
            continue;
        }
        const std::string key = files.identity(item.output);
        if (!isStream(inputs[n].file) && !seen.emplace(inputKeys[n], key).second)
            continue; // named again: its first name converts it
        if (!request.outputDir.empty() && !files.liesWithin(item.output, request.outputDir))
            item.refusal = outsideOutputFolderLine(shown(item.output), false);
        if (const auto other = inputAt.find(key); other != inputAt.end() && inputKeys[other->second] != inputKeys[n])
            item.refusal = "ERROR: the output " + shown(item.output) + " of " + shown(inputs[n].file)
                + " would replace another input of this run; nothing was written";
        if (const auto writer = firstWriter.find(key); writer != firstWriter.end()) {
            PlannedOutput &first = planned[writer->second];
            const std::string clash = clashLine(shown(inputs[first.input].file), shown(inputs[n].file), shown(item.output),
                                                folderHint);
            first.refusal = clash;
            item.refusal = clash;
        }
        firstWriter.emplace(key, planned.size());
        planned.push_back(std::move(item));
    }
    return planned;
}

} // namespace qor
