#include "core/files/namerules.h"

#include "core/files/outputname.h"

#include <algorithm>

namespace qor {

std::optional<FileKind> kindByName(std::string_view name)
{
    if (endsWithAnyCase(name, compiledSuffix))
        return FileKind::Compiled;
    if (endsWithAnyCase(name, textSuffix))
        return FileKind::Text;
    return std::nullopt;
}

FileKind kindOf(std::string_view name, ByteView bytes)
{
    return kindByName(name).value_or(kindOf(bytes));
}

bool isHiddenName(std::string_view name)
{
    return name.starts_with('.');
}

bool takenInFolder(std::string_view name, const std::vector<std::string> &suffixes)
{
    return !isHiddenName(name)
        && std::any_of(suffixes.begin(), suffixes.end(),
                       [&](const std::string &suffix) { return endsWithAnyCase(name, suffix); });
}

} // namespace qor
