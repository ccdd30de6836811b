#include "cli/options.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <thread>

namespace cli {

const char usageText[] =
    "Usage: qorutil-cli decompile [OPTIONS] [--] FILE|FOLDER...\n"
    "       qorutil-cli compile   [OPTIONS] [--] FILE|FOLDER...\n"
    "       qorutil-cli check     [--strict] [-j N] [-q] [--] FILE|FOLDER...\n"
    "       qorutil-cli info      [--json] [-j N] [-q] [--] FILE|FOLDER...\n"
    "       qorutil-cli render    FILE [RENDER OPTIONS] -o OUT.png\n"
    "\n"
    "decompile  writes the reanim XML text of each compiled reanim file\n"
    "           (walk.reanim.compiled gives walk.reanim).\n"
    "compile    writes the compiled reanim file of each reanim XML text\n"
    "           (walk.reanim gives walk.reanim.compiled), and warns about what it drops\n"
    "           or changes as check does.\n"
    "check      writes nothing; tells whether each file comes back the same through a\n"
    "           decompile and a compile, and warns about what a compile drops or changes.\n"
    "info       prints each file's kind, frame rate, tracks, frames, images and clips.\n"
    "render     draws a frame or a clip's sprite sheet of an animation to a PNG file.\n"
    "\n"
    "A FOLDER stands for the files below it at any depth (linked folders are not\n"
    "entered), in the order of their paths: *.compiled for decompile, *.reanim for\n"
    "compile, both for check and info. A FILE of - is standard input (with -o).\n"
    "\n"
    "Options:\n"
    "  -o OUT             write the output of a single input to OUT (- for standard output)\n"
    "  --output-dir DIR   write outputs under DIR: the files below one FOLDER keep their\n"
    "                     paths below it; with several inputs, each FOLDER goes into DIR\n"
    "                     under its own name, as cp -r does\n"
    "  --no-clobber       leave existing outputs alone and report them as skipped\n"
    "  -j, --jobs N       convert N files at once (default: one per processor)\n"
    "  -q, --quiet        print only errors, warnings and the summary\n"
    "  -v, --verbose      print the converters' own lines for each file as well\n"
    "  --sync             flush each output to the disk before it replaces the old file\n"
    "  --strict           (check, compile) let warnings fail the file\n"
    "  --json             (info) print one JSON document for all files\n"
    "  --                 take every later argument as a file, even one starting with -\n"
    "  -h, --help         show this text and exit\n"
    "  -V, --version      show the version and exit\n"
    "\n"
    "Render options:\n"
    "  --clip NAME        draw the clip NAME instead of the whole animation\n"
    "  --frame N          draw frame N of the clip (default 0)\n"
    "  --sheet            draw all frames of the clip in a near-square grid\n"
    "  --numbers          (with --sheet) write each frame's number in its corner\n"
    "  --images DIR       the folder of the animation's images\n"
    "  --scale S          draw at S times the animation's size\n"
    "  --bounds L,T,W,H   the part of the animation to draw (default: all the clip shows)\n"
    "\n"
    "Examples:\n"
    "  qorutil-cli decompile --output-dir text/ mod/animations/\n"
    "  qorutil-cli compile -j 4 --output-dir build/ text/\n"
    "  qorutil-cli check --strict text/\n"
    "  qorutil-cli info --json mod/animations/ > animations.json\n"
    "\n"
    "Each file gets one line on stderr saying what was done, or why not, in input order;\n"
    "on a terminal, several files show a progress line. Every run over several files ends\n"
    "with a summary line. Outputs are never written through symbolic links: an output\n"
    "path that is a link is refused.\n"
    "Exit status: 0 when every file converted (or checked the same), 1 when any failed,\n"
    "2 on a usage error, 130 or 143 when interrupted by SIGINT or SIGTERM.\n";

namespace {

// Which options each command takes.
enum Option : unsigned {
    Output = 1u << 0,
    OutputDir = 1u << 1,
    NoClobber = 1u << 2,
    Jobs = 1u << 3,
    Quiet = 1u << 4,
    Verbose = 1u << 5,
    Sync = 1u << 6,
    Strict = 1u << 7,
    Json = 1u << 8,
};

struct Command {
    std::string_view name;
    unsigned options;
};

constexpr Command commands[] = {
    {"decompile", Output | OutputDir | NoClobber | Jobs | Quiet | Verbose | Sync},
    {"compile", Output | OutputDir | NoClobber | Jobs | Quiet | Verbose | Sync | Strict},
    {"check", Jobs | Quiet | Strict},
    {"info", Jobs | Quiet | Json},
};

struct Flag {
    std::string_view shortName;
    std::string_view longName;
    Option option;
    bool takesValue;
};

constexpr Flag flags[] = {
    {"-o", "--output", Output, true},      {"", "--output-dir", OutputDir, true}, {"", "--no-clobber", NoClobber, false},
    {"-j", "--jobs", Jobs, true},          {"-q", "--quiet", Quiet, false},      {"-v", "--verbose", Verbose, false},
    {"", "--sync", Sync, false},           {"", "--strict", Strict, false},      {"", "--json", Json, false},
};

std::string text(std::string_view bytes)
{
    return std::string(bytes);
}

UsageError doesNotApply(std::string_view option, std::string_view command)
{
    return {text(option) + std::string(" does not apply to ") + text(command)};
}

std::optional<UsageError> setOption(Options &options, const Flag &flag, std::string_view spelling, const std::string &value)
{
    switch (flag.option) {
    case Output:
        if (value.empty())
            return UsageError{std::string("-o needs a file name")};
        options.output = value;
        break;
    case OutputDir:
        if (value.empty())
            return UsageError{std::string("--output-dir needs a folder")};
        options.outputDir = value;
        break;
    case Jobs: {
        int jobs = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
        const bool whole = error == std::errc() && end == value.data() + value.size();
        if (error == std::errc::result_out_of_range && !value.starts_with('-'))
            jobs = maxJobs();
        else if (!whole || jobs < 1)
            return UsageError{text(spelling) + std::string(" needs a whole number of at least 1, not '") + text(value)
                              + '\''};
        options.jobs = std::min(jobs, maxJobs());
        break;
    }
    case NoClobber: options.noClobber = true; break;
    case Quiet: options.quiet = true; break;
    case Verbose: options.verbose = true; break;
    case Sync: options.sync = true; break;
    case Strict: options.strict = true; break;
    case Json: options.json = true; break;
    }
    return std::nullopt;
}

std::variant<Options, UsageError> parseCommandOptions(Options options, unsigned allowed,
                                                      const std::vector<std::string> &arguments)
{
    bool filesOnly = false;
    for (size_t index = 1; index < arguments.size(); ++index) {
        const std::string &argument = arguments[index];
        if (filesOnly || argument == "-" || !argument.starts_with('-')) {
            options.arguments.push_back(argument);
            continue;
        }
        if (argument == "--") {
            filesOnly = true;
            continue;
        }
        // --name=value is the same as --name value, and so is -jVALUE for a short option that
        // takes a value (-j4, -oout.reanim), as getopt has it.
        std::string_view spelling = argument;
        std::optional<std::string> attached;
        if (const size_t equals = argument.find('='); argument.starts_with("--") && equals != std::string::npos) {
            spelling = std::string_view(argument).substr(0, equals);
            attached = argument.substr(equals + 1);
        } else if (!argument.starts_with("--") && argument.size() > 2
                   && std::any_of(std::begin(flags), std::end(flags), [&](const Flag &candidate) {
                          return candidate.takesValue && std::string_view(argument).substr(0, 2) == candidate.shortName;
                      })) {
            spelling = std::string_view(argument).substr(0, 2);
            attached = argument.substr(2);
        }
        const auto flag = std::find_if(std::begin(flags), std::end(flags), [&](const Flag &candidate) {
            return spelling == candidate.longName || (!candidate.shortName.empty() && spelling == candidate.shortName);
        });
        if (flag == std::end(flags))
            return UsageError{std::string("unknown option '") + text(argument) + std::string("' (use -- before a file name that starts with -)")};
        if (!(allowed & flag->option))
            return doesNotApply(spelling, options.command);
        std::string value;
        if (flag->takesValue) {
            if (attached)
                value = *attached;
            else if (index + 1 < arguments.size())
                value = arguments[++index];
            else
                return UsageError{text(spelling) + std::string(" needs a value")};
        } else if (attached) {
            return UsageError{text(spelling) + std::string(" takes no value")};
        }
        if (auto error = setOption(options, *flag, spelling, value))
            return *error;
    }
    if (options.arguments.empty())
        return UsageError{std::string("no input file given")};
    if (options.quiet && options.verbose)
        return UsageError{std::string("--quiet and --verbose ask for opposite things")};
    if (!options.output.empty() && !options.outputDir.empty())
        return UsageError{std::string("-o and --output-dir can't be used together")};
    if (!options.output.empty() && options.arguments.size() != 1)
        return UsageError{std::string("-o goes with exactly one input file")};
    const auto standardInput = std::count(options.arguments.begin(), options.arguments.end(), std::string("-"));
    if (standardInput > 0 && options.output.empty())
        return UsageError{std::string("standard input (-) needs -o to say where its output goes")};
    return options;
}

// Whether the arguments ask for help or the version before any "--" and not as an option's value.
std::optional<Parsed> helpOrVersion(const std::vector<std::string> &arguments)
{
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::string &argument = arguments[index];
        if (argument == "--")
            break;
        if (argument == "-h" || argument == "--help")
            return ShowHelp{};
        if (index == 0 && (argument == "-V" || argument == "--version"))
            return ShowVersion{};
        const auto flag = std::find_if(std::begin(flags), std::end(flags), [&](const Flag &candidate) {
            return argument == candidate.longName || (!candidate.shortName.empty() && argument == candidate.shortName);
        });
        if (flag != std::end(flags) && flag->takesValue)
            ++index;
    }
    return std::nullopt;
}

} // namespace

int maxJobs()
{
    return int(std::max(8u, 4 * std::thread::hardware_concurrency()));
}

Parsed parseOptions(const std::vector<std::string> &arguments)
{
    if (arguments.empty())
        return UsageError{std::string("no command given")};
    const std::string &first = arguments.front();
    Options options;
    options.command = first;
    if (first == "render") {
        options.arguments.assign(arguments.begin() + 1, arguments.end());
        return options;
    }
    if (const auto shown = helpOrVersion(arguments))
        return *shown;
    const auto command = std::find_if(std::begin(commands), std::end(commands),
                                      [&](const Command &candidate) { return candidate.name == first; });
    if (command == std::end(commands))
        return UsageError{std::string("unknown command '") + text(first) + '\''};
    auto parsed = parseCommandOptions(options, command->options, arguments);
    if (auto *error = std::get_if<UsageError>(&parsed))
        return *error;
    return std::get<Options>(parsed);
}

} // namespace cli
