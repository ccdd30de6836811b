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
    return kindByName(name).value_or(kindByContent(bytes));
}

namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

bool sameNameAnyCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::string lowerAsciiName(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), lowerAscii);
    return lower;
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

namespace {

// The parts of a listed path, '/' between them.
std::vector<std::string_view> partsOf(std::string_view path)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('/', start);
        parts.push_back(path.substr(start, slash - start));
        if (slash == std::string_view::npos)
            return parts;
        start = slash + 1;
    }
}

} // namespace

std::vector<std::size_t> takenFromListing(const std::vector<std::string> &paths, const std::vector<std::string> &suffixes)
{
    std::vector<std::vector<std::string_view>> parts(paths.size());
    std::vector<std::size_t> taken;
    for (std::size_t n = 0; n < paths.size(); ++n) {
        parts[n] = partsOf(paths[n]);
        if (std::none_of(parts[n].begin(), parts[n].end(), isHiddenName) && takenInFolder(parts[n].back(), suffixes))
            taken.push_back(n);
    }
    // As std::filesystem::path orders the walk's files on disk: part by part.
    std::stable_sort(taken.begin(), taken.end(), [&](std::size_t a, std::size_t b) {
        return std::lexicographical_compare(parts[a].begin(), parts[a].end(), parts[b].begin(), parts[b].end());
    });
    return taken;
}

} // namespace qor
