#include "web/pictureoptions.h"

#include "cli/options.h"
#include "cli/renderoptions.h"

#include <string_view>
#include <vector>

namespace web {

namespace {

bool given(std::string_view value)
{
    return value.find_first_not_of(" \t\n\r\f\v") != std::string_view::npos;
}

} // namespace

PictureOptions pictureOptions(const std::string &scale, const std::string &bounds, const std::string &fps)
{
    // A frame's command line with the values given, each as --name=VALUE so that a value that
    // starts with '-' is still that option's.
    std::vector<std::string> arguments{"animation.reanim", "-o", "picture.png"};
    for (const auto &[name, value] : {std::pair{"--scale=", &scale}, {"--bounds=", &bounds}, {"--fps=", &fps}})
        if (given(*value))
            arguments.push_back(name + *value);
    const cli::RenderParsed parsed = cli::parseRender(arguments, cli::RenderChecks{});
    PictureOptions options;
    if (const auto *error = std::get_if<opts::UsageError>(&parsed)) {
        options.refusal = std::string(cli::program().name) + " " + std::string(cli::renderCommand().name) + ": " + error->why;
        return options;
    }
    const auto &read = std::get<cli::RenderArguments>(parsed);
    options.scale = read.scale;
    if (read.bounds)
        options.bounds = qor::Rect{(*read.bounds)[0], (*read.bounds)[1], (*read.bounds)[2], (*read.bounds)[3]};
    options.fps = read.fps;
    return options;
}

qor::Framing pictureFraming(const PictureOptions &options, const qor::Rect &area)
{
    return options.bounds ? qor::Framing{*options.bounds, options.scale} : qor::clipFraming(area, options.scale);
}

} // namespace web
