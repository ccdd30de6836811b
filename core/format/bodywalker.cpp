#include "core/format/bodywalker.h"

namespace qor::bodywalk {

std::string Place::describe() const
{
    std::string text = what;
    if (lengthWord)
        text.insert(0, "the length of ");
    if (const std::size_t at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, std::to_string(count));
    if (frame >= 0)
        text += " of frame " + std::to_string(frame);
    if (track >= 0)
        text += " of track " + std::to_string(track);
    return text;
}

} // namespace qor::bodywalk
