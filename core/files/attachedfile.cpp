#include "core/files/attachedfile.h"

#include "core/files/namerules.h"
#include "core/scene/attachment.h"
#include "core/format/text.h"

#include <algorithm>
#include <string>
#include <system_error>

namespace qor {

namespace {

// The regular files a folder lists, by name, in name order; none when it cannot be read.
std::vector<std::filesystem::path> filesIn(const std::filesystem::path &folder)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (it->is_regular_file(kindError))
            files.push_back(it->path().filename());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::filesystem::path absoluteFolder(const std::filesystem::path &folder)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    return error ? folder : absolute;
}

} // namespace

std::optional<std::filesystem::path> findAttachedFile(const std::vector<std::filesystem::path> &folders,
                                                      std::string_view name)
{
    const std::vector<std::string> wanted = attachedFileNames(name);
    for (const std::filesystem::path &folder : folders) {
        if (folder.empty())
            continue;
        const std::vector<std::filesystem::path> files = filesIn(folder);
        for (const std::string &each : wanted) {
            // Only a name the folder lists can match, so no name leads out of the folder.
            const std::string utf8 = latin1ToUtf8(each);
            const auto found = std::find_if(files.begin(), files.end(), [&](const std::filesystem::path &file) {
                return sameNameAnyCase(file.native(), utf8);
            });
            if (found != files.end())
                return absoluteFolder(folder) / *found;
        }
    }
    return std::nullopt;
}

} // namespace qor
