#include "cli/programs.h"

#include "cli/options.h"

namespace cli {

namespace {

// The options of both windows, with the spellings Qt's own parser gave them.
std::vector<opts::Option> windowOptions()
{
    return {{.longName = "help", .shortName = 'h', .help = "show this text and exit", .does = opts::Does::Help},
            {.longName = "version", .shortName = 'v', .help = "show the version and exit", .does = opts::Does::Version}};
}

} // namespace

const WindowProgram &converterWindow()
{
    static const WindowProgram program = {
        .described =
            {.name = "qorutil",
             .summary = "window to convert game animations between compiled reanim files and reanim XML text",
             .commands = {{.usage = {"[OPTIONS]"}}},
             .about = {"Converts game animations between compiled reanim files (.reanim.compiled) and reanim XML "
                       "text (.reanim) in a window: File > Decompile and File > Compile ask for a file, File > "
                       "ReCompile compiles the last text again, and files and folders dropped on the window are "
                       "converted by their names. Progress and errors appear in the Output Window. Its size, place "
                       "and options are kept in formState.ini and qorutil.ini in the working folder. The command "
                       "line does the same with qorutil-cli; qorutil-preview plays an animation.",
                       "--help and --version answer without a display; Qt's own options (-platform, -style, ...) "
                       "are passed to Qt, and any other argument is a usage error."},
             .groups = {{.title = "Options", .options = windowOptions()}},
             .exitStatus = "0 when the window is closed, 2 on a usage error.",
             .seeAlso = {"qorutil-cli", "qorutil-preview"}},
        .mostFiles = 0,
        .refusedFiles = "takes no file (open files with File > Decompile or Compile, or qorutil-cli)",
    };
    return program;
}

const WindowProgram &previewWindow()
{
    static const WindowProgram program = {
        .described =
            {.name = "qorutil-preview",
             .summary = "play, inspect and export game animations from compiled reanim files and reanim XML text",
             .commands = {{.usage = {"[OPTIONS] [FILE]"}}},
             .about = {"Plays a game animation FILE, a compiled reanim file (.reanim.compiled) or reanim XML text "
                       "(.reanim), told apart by its content. The wheel zooms, dragging pans, F fits the clip; Space "
                       "plays and pauses, Left and Right step a frame. The file is read again when it changes on "
                       "disk. The File menu exports the frame or a clip's sheet as PNG, and a clip or every clip as "
                       "an animated WebP or GIF. The image folder is kept in ~/.config/QORUtil/qorutil-preview.conf.",
                       "--help and --version answer without a display; Qt's own options (-platform, -style, ...) "
                       "are passed to Qt, and any other option is a usage error."},
             .groups = {{.title = "Options", .options = windowOptions()}},
             .exitStatus = "0 when the window is closed, 2 on a usage error.",
             .seeAlso = {"qorutil", "qorutil-cli"}},
        .mostFiles = 1,
        .refusedFiles = "plays one file at a time",
    };
    return program;
}

std::vector<const opts::Program *> programs()
{
    return {&converterWindow().described, &program(), &previewWindow().described};
}

} // namespace cli
