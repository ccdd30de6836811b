#pragma once

#include "cli/optiontable.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace cli {

// What render's options ask of the drawing library, which this parser does not link.
struct RenderChecks {
    std::function<bool(const std::string &)> isColour{};       // --background
    std::function<bool(const std::string &)> isAnimationName{}; // --animation, and --format as ".FORMAT"
    int largestPadding = 0;                                   // --padding
};

// What `qorutil-cli render` is asked to draw, as given on its command line.
struct RenderArguments {
    enum class Mode { Frame, Sheet, Animation, AllClips };

    std::string input{};
    std::string output{};                 // -o
    std::string clip{};
    bool clipGiven = false;
    int frame = 0;
    bool frameGiven = false;
    bool sheet = false;
    int columns = 0;                    // 0 for near square
    int padding = 0;
    bool numbered = false;
    std::string images{};
    std::vector<std::string> animationFolders{};
    double scale = 1.0;
    std::optional<std::array<double, 4>> bounds{}; // left, top, width, height
    std::string animation{};
    std::optional<double> fps{};
    std::optional<std::string> background{};      // a colour the drawing library knows
    std::string allClips{};
    std::string format = "png";
    bool quiet = false;
    bool verbose = false;
    const RenderChecks *checks = nullptr;

    Mode mode() const;
};

struct RenderHelp {};
using RenderParsed = std::variant<RenderArguments, RenderHelp, opts::UsageError>;

// The arguments after the word "render".
RenderParsed parseRender(const std::vector<std::string> &arguments, const RenderChecks &checks);

// render as qorutil-cli's help and man page show it.
opts::Command renderCommand();
std::vector<opts::Option> renderOptions();

} // namespace cli
