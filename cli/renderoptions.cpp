#include "cli/renderoptions.h"

#include "core/format/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <type_traits>

namespace cli {

namespace {

using Arguments = RenderArguments;
using Entry = opts::Stored<Arguments>;
using Mode = Arguments::Mode;
using Why = std::optional<std::string>; // a usage error's words, or nothing when the value fits

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blank = " \t\n\r\f\v";
    const size_t first = text.find_first_not_of(blank);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blank) - first + 1);
}

// A number as a person writes it: blanks around it and a leading + allowed.
template <class Number>
std::optional<Number> numberIn(std::string_view text)
{
    text = trimmed(text);
    if (text.starts_with('+') && text.size() > 1 && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    if constexpr (std::is_floating_point_v<Number>) {
        return qor::wholeNumber<Number>(text);
    } else {
        Number number{};
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (text.empty() || error != std::errc() || end != text.data() + text.size())
            return std::nullopt;
        return number;
    }
}

Why doesNotTake(std::string_view spelling, const std::string &value)
{
    return std::string(spelling) + " does not take '" + value + "'";
}

bool count(const std::string &value, int &into, int least)
{
    const auto number = numberIn<int>(value);
    if (!number || *number < least)
        return false;
    into = *number;
    return true;
}

std::optional<std::array<double, 4>> boundsIn(std::string_view text)
{
    std::array<double, 4> values{};
    for (size_t part = 0; part < values.size(); ++part) {
        const size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (part == values.size() - 1))
            return std::nullopt;
        const auto value = numberIn<double>(text.substr(0, comma));
        if (!value || !std::isfinite(*value))
            return std::nullopt;
        values[part] = *value;
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    if (values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return values;
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return text;
}

// render's options, and how each is kept.
const std::vector<Entry> &table()
{
    static const std::vector<Entry> entries = {
        {{.longName = "clip", .valueName = "NAME",
          .help = "the clip marked by the track anim_NAME instead of the whole animation"},
         [](Arguments &into, std::string_view, const std::string &value) -> Why {
             into.clip = value;
             into.clipGiven = true;
             return std::nullopt;
         }},
        {{.longName = "frame", .valueName = "N",
          .help = "the frame N counted from the start of the clip or animation (default 0)"},
         [](Arguments &into, std::string_view spelling, const std::string &value) -> Why {
             into.frameGiven = true;
             return count(value, into.frame, 0) ? std::nullopt : doesNotTake(spelling, value);
         }},
        {{.longName = "sheet",
          .help = "all frames of the clip or animation, left to right, top to bottom, and beside OUT.png the file "
                  "OUT.json giving the sheet's size, each frame's cell and the origin, the point of every cell where "
                  "the animation's (0, 0) lies"},
         opts::setFlag<Arguments, &Arguments::sheet>},
        {{.longName = "columns", .valueName = "N", .help = "sheets N cells wide (default: near square)"},
         [](Arguments &into, std::string_view spelling, const std::string &value) -> Why {
             return count(value, into.columns, 1) ? std::nullopt : doesNotTake(spelling, value);
         }},
        {{.longName = "padding", .valueName = "P", .help = "P clear pixels around each cell of a sheet (default 0)"},
         [](Arguments &into, std::string_view spelling, const std::string &value) -> Why {
             const bool fits = count(value, into.padding, 0) && into.checks && into.padding <= into.checks->largestPadding;
             return fits ? std::nullopt : doesNotTake(spelling, value);
         }},
        {{.longName = "numbers", .help = "write each frame's number, as --frame counts, small in its cell"},
         opts::setFlag<Arguments, &Arguments::numbered>},
        {{.longName = "animation", .valueName = "OUT.webp|OUT.gif",
          .help = "the clip as an animation that loops for ever, at the file's frame rate"},
         [](Arguments &into, std::string_view spelling, const std::string &value) -> Why {
             into.animation = value;
             const bool fits = into.checks && into.checks->isAnimationName(value);
             return fits ? std::nullopt : doesNotTake(spelling, value);
         }},
        {{.longName = "fps", .valueName = "F", .help = "the animation's frames per second instead of the file's"},
         [](Arguments &into, std::string_view spelling, const std::string &value) -> Why {
             into.fps = numberIn<double>(value);
             const bool fits = into.fps && std::isfinite(*into.fps) && *into.fps > 0 && *into.fps <= 1000;
             return fits ? std::nullopt : doesNotTake(spelling, value);
         }},
        {{.longName = "all-clips", .valueName = "DIR",
          .help = "each clip (or the whole animation when it has none) to DIR/FILE-CLIP.png as a sheet, or as an "
                  "animation with --format webp or gif"},
         opts::keepText<Arguments, &Arguments::allClips>},
        {{.longName = "format", .valueName = "png|webp|gif", .help = "what --all-clips writes for each clip (default png)"},
         [](Arguments &into, std::string_view spelling, const std::string &value) -> Why {
             into.format = lower(value);
             const bool fits = into.format == "png" || (into.checks && into.checks->isAnimationName("." + into.format));
             return fits ? std::nullopt : doesNotTake(spelling, value);
         }},
        {{.longName = "images", .valueName = "DIR",
          .help = "the folder of the images the frames name (else placeholders are drawn)"},
         opts::keepText<Arguments, &Arguments::images>},
        {{.longName = "animations", .valueName = "DIR",
          .help = "a further folder of the animations that tracks attach, after the file's own folder; may be "
                  "given more than once"},
         [](Arguments &into, std::string_view, const std::string &value) -> Why {
             into.animationFolders.push_back(value);
             return std::nullopt;
         }},
        {{.longName = "scale", .valueName = "S", .help = "pixels per animation unit (default 1)"},
         [](Arguments &into, std::string_view spelling, const std::string &value) -> Why {
             const auto scale = numberIn<double>(value);
             into.scale = scale.value_or(0);
             const bool fits = scale && std::isfinite(*scale) && *scale > 0;
             return fits ? std::nullopt : doesNotTake(spelling, value);
         }},
        {{.longName = "background", .valueName = "COLOUR",
          .help = "a colour (#rrggbb or a name) behind the picture instead of none"},
         [](Arguments &into, std::string_view spelling, const std::string &value) -> Why {
             into.background = value;
             const bool fits = into.checks && into.checks->isColour(value);
             return fits ? std::nullopt : doesNotTake(spelling, value);
         }},
        {{.longName = "bounds", .valueName = "L,T,W,H",
          .help = "the part of the animation shown, left, top, width and height (default: all the frames show); at "
                  "--scale 1 the point (x, y) is the pixel (x - L, y - T)"},
         [](Arguments &into, std::string_view spelling, const std::string &value) -> Why {
             into.bounds = boundsIn(value);
             return into.bounds ? std::nullopt : doesNotTake(spelling, value);
         }},
        {{.longName = "output", .shortName = 'o', .valueName = "OUT.png",
          .help = "the picture (or sheet) to write; - for standard output, never a terminal"},
         opts::keepText<Arguments, &Arguments::output>},
        {{.longName = "quiet", .shortName = 'q', .help = "print only errors and warnings"},
         opts::setFlag<Arguments, &Arguments::quiet>},
        {{.longName = "verbose", .shortName = 'v', .help = "print the file reader's own lines as well"},
         opts::setFlag<Arguments, &Arguments::verbose>},
        {{.longName = "help", .shortName = 'h', .help = "show this text and exit", .does = opts::Does::Help}},
    };
    return entries;
}

// What does not go together, or is missing, in words.
std::optional<std::string> problem(const Arguments &request)
{
    if (request.input.empty())
        return "no input file given";
    const Mode mode = request.mode();
    if ((mode == Mode::Frame || mode == Mode::Sheet) && request.output.empty())
        return "-o OUT.png is needed";
    if ((mode == Mode::Animation || mode == Mode::AllClips) && !request.output.empty())
        return "-o goes with a frame or a sheet, not with --animation or --all-clips";
    if (!request.animation.empty() && !request.allClips.empty())
        return "--animation and --all-clips go apart";
    if (request.frameGiven && mode != Mode::Frame)
        return "--frame goes with a single frame only";
    if (request.sheet && mode != Mode::Sheet && !(mode == Mode::AllClips && request.format == "png"))
        return "--sheet goes with -o OUT.png or --all-clips";
    if (mode == Mode::AllClips && request.clipGiven)
        return "--clip and --all-clips go apart";
    if (request.quiet && request.verbose)
        return "-q and -v go apart";
    return std::nullopt;
}

} // namespace

RenderArguments::Mode RenderArguments::mode() const
{
    return !allClips.empty() ? Mode::AllClips : !animation.empty() ? Mode::Animation : sheet ? Mode::Sheet : Mode::Frame;
}

RenderParsed parseRender(const std::vector<std::string> &arguments, const RenderChecks &checks)
{
    RenderArguments request;
    request.checks = &checks;
    const opts::Outcome outcome = opts::read<Arguments>(table(), arguments, request);
    if (std::holds_alternative<opts::Does>(outcome))
        return RenderHelp{};
    if (const auto *error = std::get_if<opts::UsageError>(&outcome))
        return *error;
    const std::vector<std::string> &files = std::get<opts::Reading>(outcome).operands;
    if (files.size() > 1)
        return opts::UsageError{"render takes one file"};
    if (!files.empty())
        request.input = files.front();
    if (auto why = problem(request))
        return opts::UsageError{std::move(*why)};
    return request;
}

opts::Command renderCommand()
{
    return {.name = "render",
            .usage = {"FILE [--clip NAME] [--frame N | --sheet [SHEET OPTIONS]] -o OUT.png",
                      "FILE --clip NAME --animation OUT.webp|OUT.gif [--fps F]",
                      "FILE --all-clips DIR [--format png|webp|gif] [SHEET OPTIONS]"},
            .summary = "draws a frame, a clip's sprite sheet or a clip as a looping animated WebP or GIF of an "
                       "animation file.",
            .about = {"Each with any of [--images DIR] [--animations DIR] [--scale S] [--background COLOUR] "
                      "[--bounds L,T,W,H] [-q | -v]; SHEET OPTIONS are [--columns N] [--padding P] [--numbers].",
                      "Draws one frame of a compiled or text animation file, the sprite sheet of a clip or the clip "
                      "as a looping animated WebP or GIF, with a transparent background, headless. All frames of a "
                      "picture, sheet or animation share one frame of reference: the bounding box of everything the "
                      "clip shows over all its frames. Attached animations are found beside FILE and then in each "
                      "--animations DIR. Each picture written gets a Rendered line, each image that could not be "
                      "drawn and each attachment not found a warning line."},
            .exitStatus = "0 when written, 1 when the file could not be read or drawn or the picture not written, 2 "
                          "on a usage error."};
}

std::vector<opts::Option> renderOptions()
{
    return opts::optionsOf<Arguments>(table());
}

} // namespace cli
