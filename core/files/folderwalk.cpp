#include "core/files/folderwalk.h"

#include "core/files/fileidentity.h"
#include "core/files/namerules.h"

#include <algorithm>
#include <system_error>

namespace qor {

namespace fs = std::filesystem;

namespace {

class Walk {
public:
    Walk(const std::vector<std::string> &suffixes, const fs::path &skip)
        : suffixes_(suffixes), skip_(skip.empty() ? std::string() : fileIdentity(skip))
    {
    }

    void below(const fs::path &folder, const fs::path &prefix)
    {
        std::error_code error;
        fs::directory_iterator entries(folder, error);
        for (const fs::directory_iterator end; !error && entries != end; entries.increment(error)) {
            const fs::path &path = entries->path();
            const fs::path name = path.filename();
            if (isHiddenName(name.native()))
                continue;
            std::error_code statusError;
            const fs::file_status own = entries->symlink_status(statusError);
            if (statusError) {
                failed(path, statusError);
            } else if (fs::is_directory(own)) {
                if (skip_.empty() || fileIdentity(path) != skip_)
                    below(path, prefix / name);
            } else if (!fs::is_symlink(own) || !fs::is_directory(entries->status(statusError))) {
                if (!takenInFolder(name.string(), suffixes_))
                    continue;
                if (fs::is_regular_file(entries->status(statusError)))
                    walk.files.push_back({path, prefix / name});
                else if (statusError)
                    failed(path, statusError);
            }
        }
        if (error)
            failed(folder, error);
    }

    FolderWalk walk;

private:
    void failed(const fs::path &path, const std::error_code &error) { walk.failures.push_back({path, error.message()}); }

    const std::vector<std::string> &suffixes_;
    const std::string skip_;
};

} // namespace

FolderWalk walkFolder(const fs::path &folder, const std::vector<std::string> &suffixes, const fs::path &prefix,
                      const fs::path &skip)
{
    Walk walk(suffixes, skip);
    walk.below(folder, prefix);
    std::sort(walk.walk.files.begin(), walk.walk.files.end(),
              [](const WalkedFile &a, const WalkedFile &b) { return a.relative < b.relative; });
    return std::move(walk.walk);
}

} // namespace qor
