#include "cli/options.h"

#include "cli/renderoptions.h"

#include <algorithm>
#include <charconv>
#include <thread>

namespace cli {

namespace {

// The commands, by their place in program().commands.
constexpr unsigned decompile = 1u << 0;
constexpr unsigned compile = 1u << 1;
constexpr unsigned check = 1u << 2;
constexpr unsigned info = 1u << 3;
constexpr unsigned render = 1u << 4;
constexpr unsigned converters = decompile | compile;
constexpr unsigned fileCommands = decompile | compile | check | info;

using Entry = opts::Stored<Options>;
using opts::Does;

std::optional<std::string> storeJobs(Options &options, std::string_view spelling, const std::string &value)
{
    int jobs = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
    const bool whole = error == std::errc() && end == value.data() + value.size();
    if (error == std::errc::result_out_of_range && !value.starts_with('-'))
        jobs = maxJobs();
    else if (!whole || jobs < 1)
        return std::string(spelling) + " needs a whole number of at least 1, not '" + value + "'";
    options.jobs = std::min(jobs, maxJobs());
    return std::nullopt;
}

// The options of decompile, compile, check and info, and how each is kept.
const std::vector<Entry> &fileOptions()
{
    static const std::vector<Entry> table = {
        {{.longName = "output", .shortName = 'o', .valueName = "OUT",
          .help = "write the output of a single input to OUT (- for standard output)", .commands = converters},
         [](Options &options, std::string_view, const std::string &value) -> std::optional<std::string> {
             if (value.empty())
                 return "-o needs a file name";
             options.output = value;
             return std::nullopt;
         }},
        {{.longName = "output-dir", .valueName = "DIR",
          .help = "write outputs under DIR, creating folders as needed: the files below one FOLDER keep their paths "
                  "below it; with several inputs, each FOLDER goes into DIR under its own name, as cp -r does",
          .commands = converters},
         [](Options &options, std::string_view, const std::string &value) -> std::optional<std::string> {
             if (value.empty())
                 return "--output-dir needs a folder";
             options.outputDir = value;
             return std::nullopt;
         }},
        {{.longName = "no-clobber", .help = "leave existing outputs alone and report them as skipped",
          .commands = converters},
         opts::setFlag<Options, &Options::noClobber>},
        {{.longName = "jobs", .shortName = 'j', .valueName = "N",
          .help = "work on N files at once (default: one per processor, at most four per processor), with the same "
                  "outputs and the same report for any N"},
         storeJobs},
        {{.longName = "quiet", .shortName = 'q', .help = "print only errors, warnings and the summary"},
         opts::setFlag<Options, &Options::quiet>},
        {{.longName = "verbose", .shortName = 'v', .help = "print the converters' own lines for each file as well",
          .commands = converters},
         opts::setFlag<Options, &Options::verbose>},
        {{.longName = "sync", .help = "flush each output to the disk before it replaces the old file",
          .commands = converters},
         opts::setFlag<Options, &Options::sync>},
        {{.longName = "strict", .help = "let warnings fail the file (compile then writes nothing for it)",
          .commands = compile | check},
         opts::setFlag<Options, &Options::strict>},
        {{.longName = "json", .help = "print one JSON document for all files", .commands = info},
         opts::setFlag<Options, &Options::json>},
        {{.longName = "help", .shortName = 'h', .help = "show this text and exit", .does = Does::Help}},
    };
    return table;
}

// What the options given do not say on their own.
std::optional<std::string> problem(const Options &options)
{
    if (options.arguments.empty())
        return "no input file given";
    if (options.quiet && options.verbose)
        return "--quiet and --verbose ask for opposite things";
    if (!options.output.empty() && !options.outputDir.empty())
        return "-o and --output-dir can't be used together";
    if (!options.output.empty() && options.arguments.size() != 1)
        return "-o goes with exactly one input file";
    if (std::count(options.arguments.begin(), options.arguments.end(), std::string("-")) > 0 && options.output.empty())
        return "standard input (-) needs -o to say where its output goes";
    return std::nullopt;
}

} // namespace

int maxJobs()
{
    return int(std::max(8u, 4 * std::thread::hardware_concurrency()));
}

const opts::Program &program()
{
    static const opts::Program described = {
        .name = "qorutil-cli",
        .summary = "convert game animations between compiled reanim files and reanim XML text",
        .commands =
            {
                {.name = "decompile",
                 .usage = {"[OPTIONS] [--] FILE|FOLDER..."},
                 .summary = "writes the reanim XML text of each compiled reanim file (walk.reanim.compiled gives "
                            "walk.reanim).",
                 .about = {"Writes the reanim XML text of each compiled reanim file, beside it unless -o or "
                           "--output-dir says otherwise: walk.reanim.compiled gives walk.reanim. A FOLDER stands for "
                           "the *.compiled files below it at any depth, in the order of their paths."}},
                {.name = "compile",
                 .usage = {"[OPTIONS] [--] FILE|FOLDER..."},
                 .summary = "writes the compiled reanim file of each reanim XML text (walk.reanim gives "
                            "walk.reanim.compiled), and warns about what it drops or changes as check does.",
                 .about = {"Writes the compiled reanim file of each reanim XML text, beside it unless -o or "
                           "--output-dir says otherwise: walk.reanim gives walk.reanim.compiled. A FOLDER stands for "
                           "the *.reanim files below it at any depth, in the order of their paths. It warns about "
                           "what a compile drops or changes, as check does; with --strict it writes nothing for a "
                           "file with warnings."}},
                {.name = "check",
                 .usage = {"[--strict] [-j N] [-q] [--] FILE|FOLDER..."},
                 .summary = "writes nothing; tells whether each file comes back the same through a decompile and a "
                            "compile, and warns about what a compile drops or changes.",
                 .about = {"Writes nothing: tells whether each file, compiled or text, comes back the same through a "
                           "decompile and a compile, naming the first value that does not, and warns, with line "
                           "numbers, about what a compile would drop or change without a word. A FOLDER stands for "
                           "the *.compiled and *.reanim files below it at any depth."}},
                {.name = "info",
                 .usage = {"[--json] [-j N] [-q] [--] FILE|FOLDER..."},
                 .summary = "prints each file's kind, frame rate, tracks, frames, images, clips and the animations "
                            "it attaches.",
                 .about = {"Prints each file's kind, frame rate, tracks, frames, the images each track uses, its "
                           "clips and the animations it attaches; --json gives one JSON document for scripts. A "
                           "FOLDER stands for the *.compiled and *.reanim files below it at any depth."}},
                renderCommand(),
            },
        .about =
            {"Converts game animations between the compiled reanim file (.reanim.compiled) and the reanim XML text "
             "(.reanim), checks and describes them, and draws them.",
             "A FOLDER stands for the files below it at any depth (linked folders and hidden files and folders are "
             "not entered), in the order of their paths: *.compiled for decompile, *.reanim for compile, both for "
             "check and info. A FILE of - is standard input (with -o); -- takes every later argument as a file, "
             "even one starting with -."},
        .groups = {{.title = "Options", .commands = fileCommands, .options = opts::optionsOf<Options>(fileOptions())},
                   {.title = "Render options", .commands = render, .options = renderOptions()}},
        .ownOptions = {{.longName = "help", .shortName = 'h', .help = "show this text and exit", .does = Does::Help},
                       {.longName = "version", .shortName = 'V', .help = "show the version and exit",
                        .does = Does::Version}},
        .examples = {"qorutil-cli decompile --output-dir text/ mod/animations/",
                     "qorutil-cli compile -j 4 --output-dir build/ text/",
                     "qorutil-cli check --strict text/",
                     "qorutil-cli info --json mod/animations/ > animations.json",
                     "qorutil-cli render walker.reanim --clip walk --frame 3 --images images -o walk3.png",
                     "qorutil-cli render walker.reanim --clip idle --sheet --numbers -o idle-sheet.png"},
        .notes = {"Each file gets one line on stderr saying what was done, or why not, in input order; on a "
                  "terminal, several files show a progress line. Every run over several files ends with a summary "
                  "line. Outputs are never written through symbolic links: an output path that is a link is "
                  "refused."},
        .exitStatus = "0 when every file converted (or checked the same), 1 when any failed, 2 on a usage error, "
                      "130 or 143 when interrupted by SIGINT or SIGTERM.",
        .seeAlso = {"qorutil", "qorutil-preview"},
    };
    return described;
}

Parsed parseOptions(const std::vector<std::string> &arguments)
{
    if (arguments.empty())
        return UsageError{"no command given"};
    const std::string &first = arguments.front();
    Options options;
    options.command = first;
    if (first == "render") {
        options.arguments.assign(arguments.begin() + 1, arguments.end());
        return options;
    }
    const opts::Program &described = program();
    const auto own = std::find_if(described.ownOptions.begin(), described.ownOptions.end(), [&](const opts::Option &option) {
        return first == std::string{'-', option.shortName}
            || (first.starts_with("--") && std::string_view(first).substr(2) == option.longName);
    });
    if (own != described.ownOptions.end())
        return own->does == Does::Version ? Parsed(ShowVersion{}) : Parsed(ShowHelp{});
    const int command = opts::commandIndex(described, first);
    const std::span<const std::string> rest(arguments.data() + 1, arguments.size() - 1);
    if (command < 0 || !(fileCommands & (1u << unsigned(command)))) {
        // Help asked for after a word that is no command is still help.
        Options ignored;
        if (std::holds_alternative<Does>(opts::read<Options>(fileOptions(), rest, ignored)))
            return ShowHelp{};
        return UsageError{"unknown command '" + first + "'"};
    }
    const opts::Outcome outcome =
        opts::read<Options>(fileOptions(), rest, options, {.command = 1u << unsigned(command), .commandName = first});
    if (std::holds_alternative<Does>(outcome))
        return ShowHelp{first};
    if (const auto *error = std::get_if<UsageError>(&outcome))
        return *error;
    options.arguments = std::get<opts::Reading>(outcome).operands;
    if (auto why = problem(options))
        return UsageError{std::move(*why)};
    return options;
}

} // namespace cli
