#include "core/files/outputname.h"

#include "core/files/namerules.h"

#include <algorithm>
#include <string>

namespace qor {

bool endsWithAnyCase(std::string_view name, std::string_view suffix)
{
    return name.size() >= suffix.size() && sameNameAnyCase(name.substr(name.size() - suffix.size()), suffix);
}

std::filesystem::path decompiledPathFor(const std::filesystem::path &inPath)
{
    const std::string path = inPath.string();
    std::size_t split = path.rfind('/') + 1; // npos + 1 is 0
#ifdef _WIN32
    split = std::max(split, path.rfind('\\') + 1);
#endif
    const std::string folder = path.substr(0, split);
    std::string name = path.substr(split);

    constexpr std::string_view compiledReanim = ".reanim.compiled";
    constexpr std::string_view compiled = ".compiled";
    constexpr std::string_view reanim = ".reanim";
    if (name.find(compiledReanim) != std::string::npos) {
        for (std::size_t at = 0; (at = name.find(compiledReanim, at)) != std::string::npos; at += reanim.size())
            name.replace(at, compiledReanim.size(), reanim);
    } else {
        if (endsWithAnyCase(name, compiled))
            name.resize(name.size() - compiled.size());
        if (!endsWithAnyCase(name, reanim) || folder + name == path)
            name += reanim;
    }
    // A text named like a compiled file could replace another compiled file of the folder.
    if (endsWithAnyCase(name, compiled))
        name += reanim;
    return folder + name;
}

std::filesystem::path compiledPathFor(const std::filesystem::path &inPath)
{
    return inPath.string() + ".compiled";
}

} // namespace qor
