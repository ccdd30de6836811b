#pragma once

#include "core/edit/change.h"
#include "core/scene/evaluated.h"

#include <optional>
#include <vector>

namespace qor::edit {

// The evaluation of a document kept up to date as it changes: a change marks the tracks it
// touched, and only those are carried forward again when the evaluation is next asked for.
class LiveEvaluation {
public:
    // Everything again, for a new model.
    void reset(const Reanim &reanim);
    // What a primitive just applied to the model leaves to redo.
    void changed(const Primitive &primitive);
    // The evaluation of `reanim`, which is the model every change was applied to.
    const EvaluatedAnimation &of(const Reanim &reanim);

private:
    EvaluatedAnimation evaluated_;
    std::vector<std::optional<Clip>> clips_; // each track's clip
    std::vector<bool> stale_;
    bool anyStale_ = true;
};

} // namespace qor::edit
