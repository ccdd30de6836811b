#pragma once

#include "core/scene/scene.h"

#include <cstddef>
#include <optional>

namespace qor {

// Where a preview opens a file: on its first clip (in track order) from the clip's first
// frame, or, when it has no clips, on the whole animation at the first frame that draws
// anything (frame 0 when none does). Both previews fit the view to the run opened.
struct OpeningView {
    std::optional<std::size_t> clip; // an index into the animation's clips; none for the whole
    int frame = 0;

    bool operator==(const OpeningView &) const = default;
};

OpeningView openingView(const EvaluatedAnimation &animation, const ImageSizes &sizes,
                        const AnimationSource *attached = nullptr);

} // namespace qor
