#include "cli/options.h"

namespace cli {

const char usageText[] =
    "Usage: qorutil-cli decompile [OPTIONS] FILE|FOLDER...\n"
    "       qorutil-cli compile   [OPTIONS] FILE|FOLDER...\n"
    "       qorutil-cli check     [--strict] [-j N] [-q] FILE|FOLDER...\n"
    "       qorutil-cli info      [--json] FILE|FOLDER...\n"
    "       qorutil-cli render    FILE [RENDER OPTIONS] -o OUT.png\n"
    "\n"
    "decompile  writes the reanim XML text of each compiled reanim file\n"
    "           (walk.reanim.compiled gives walk.reanim).\n"
    "compile    writes the compiled reanim file of each reanim XML text\n"
    "           (walk.reanim gives walk.reanim.compiled).\n"
    "check      writes nothing; tells whether each file comes back the same through a\n"
    "           decompile and a compile, and warns about what a compile drops or changes.\n"
    "info       prints each file's kind, frame rate, tracks, frames, images and clips.\n"
    "render     draws a frame or a clip's sprite sheet of an animation to a PNG file.\n"
    "\n"
    "A FOLDER stands for the files below it at any depth (linked folders are not\n"
    "entered), in the order of their paths: *.compiled for decompile, *.reanim for\n"
    "compile, both for check and info.\n"
    "\n"
    "Options:\n"
    "  -o OUT             write the output of a single input to OUT (- for standard output)\n"
    "  --output-dir DIR   write outputs under DIR, mirroring the folders below each FOLDER\n"
    "  --no-clobber       leave existing outputs alone and report them as skipped\n"
    "  -j, --jobs N       convert N files at once (default: one per processor)\n"
    "  -q, --quiet        print only errors and the summary\n"
    "  --sync             flush each output to the disk before it replaces the old file\n"
    "  --strict           (check) let warnings fail the run\n"
    "  --json             (info) print one JSON document for all files\n"
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
    "Progress and errors go to stderr, one line each, grouped per file in input order. On a\n"
    "terminal, several files show a progress line. Every run over several files ends with a\n"
    "summary line.\n"
    "Exit status: 0 when every file converted (or checked the same), 1 when any failed,\n"
    "2 on a usage error.\n";

namespace {

bool isFlag(const QString &argument, const char *shortName, const char *longName)
{
    return (shortName && argument == QLatin1String(shortName)) || argument == QLatin1String(longName);
}

// Reads the value of an option that takes one; false when there is none.
bool takeValue(const QStringList &arguments, qsizetype &index, QString &value)
{
    if (++index >= arguments.size())
        return false;
    value = arguments[index];
    return true;
}

std::variant<Options, UsageError> parseCommandOptions(Options options, const QStringList &arguments)
{
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        const QString &argument = arguments[index];
        QString value;
        if (isFlag(argument, "-o", "--output")) {
            if (!takeValue(arguments, index, options.output))
                return UsageError{QStringLiteral("-o needs a file name")};
        } else if (argument == QLatin1String("--output-dir")) {
            if (!takeValue(arguments, index, options.outputDir))
                return UsageError{QStringLiteral("--output-dir needs a folder")};
        } else if (isFlag(argument, "-j", "--jobs")) {
            bool number = false;
            if (!takeValue(arguments, index, value) || (options.jobs = value.toInt(&number), !number) || options.jobs < 1)
                return UsageError{QStringLiteral("--jobs needs a number of at least 1")};
        } else if (argument == QLatin1String("--no-clobber")) {
            options.noClobber = true;
        } else if (isFlag(argument, "-q", "--quiet")) {
            options.quiet = true;
        } else if (argument == QLatin1String("--sync")) {
            options.sync = true;
        } else if (argument == QLatin1String("--strict")) {
            options.strict = true;
        } else if (argument == QLatin1String("--json")) {
            options.json = true;
        } else if (argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")) {
            return UsageError{QLatin1String("unknown option '") + argument + QLatin1Char('\'')};
        } else {
            options.arguments.append(argument);
        }
    }
    if (options.arguments.isEmpty())
        return UsageError{QStringLiteral("no input file given")};
    return options;
}

} // namespace

Parsed parseOptions(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return UsageError{QStringLiteral("no command given")};
    const QString &first = arguments.first();
    if (arguments.contains(QLatin1String("-h")) || arguments.contains(QLatin1String("--help")))
        return ShowHelp{};
    if (isFlag(first, "-V", "--version"))
        return ShowVersion{};
    Options options;
    options.command = first;
    if (first == QLatin1String("render")) {
        options.arguments = arguments.mid(1);
        return options;
    }
    static const QStringList commands{QStringLiteral("decompile"), QStringLiteral("compile"), QStringLiteral("check"),
                                      QStringLiteral("info")};
    if (!commands.contains(first))
        return UsageError{QLatin1String("unknown command '") + first + QLatin1Char('\'')};
    auto parsed = parseCommandOptions(options, arguments);
    if (auto *error = std::get_if<UsageError>(&parsed))
        return *error;
    return std::get<Options>(parsed);
}

} // namespace cli
