#pragma once

// The picture options of `qorutil-cli render` as the page's Export bar takes them: --scale,
// --bounds and --fps read by the command line's own option table, so that the page takes and
// refuses what the command line does, with its words, and frames its pictures as render does.

#include "core/scene/bounds.h"

#include <optional>
#include <string>

namespace web {

struct PictureOptions {
    std::string refusal; // the line the command line refuses a value with; empty when all fit
    double scale = 1.0;
    std::optional<qor::Rect> bounds; // the part of the animation shown, when given
    std::optional<double> fps;       // the animation's frame rate instead of the file's
};

// Each value as typed; an empty one (blanks alone) is not given.
PictureOptions pictureOptions(const std::string &scale, const std::string &bounds, const std::string &fps);

// How a picture of a run of frames is framed: the bounds when given, else `area`, all the run's
// frames draw (as qor::clipFraming gives it at one pixel a unit), at the options' scale.
qor::Framing pictureFraming(const PictureOptions &options, const qor::Rect &area);

} // namespace web
