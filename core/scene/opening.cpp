#include "core/scene/opening.h"

#include "core/scene/bounds.h"

namespace qor {

OpeningView openingView(const EvaluatedAnimation &animation, const ImageSizes &sizes, const AnimationSource *attached)
{
    if (!animation.clips.empty())
        return {std::size_t(0), animation.clips.front().firstFrame};
    for (int frame = 0; frame < animation.frameCount; ++frame) {
        if (!frameBounds(animation, frame, sizes, attached).empty())
            return {std::nullopt, frame};
    }
    return {};
}

} // namespace qor
