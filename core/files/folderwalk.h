#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qor {

// One file a folder walk found.
struct WalkedFile {
    std::filesystem::path file;     // the folder's path joined with the file's path below it
    std::filesystem::path relative; // `prefix` joined with the file's path below the folder
};

// Something below the folder that could not be looked at, and why (the system's words).
struct WalkFailure {
    std::filesystem::path path;
    std::string reason;
};

struct FolderWalk {
    std::vector<WalkedFile> files; // in the order of their relative paths
    std::vector<WalkFailure> failures; // in the order met, the folder itself last
};

// The files below `folder` at any depth whose names folder walks take (takenInFolder), in
// the order of their paths. Linked folders are not entered, so a link loop can't trap the
// walk; a link to a file is taken as the file. Hidden files and folders are left out, and so
// is the folder `skip` (a run's output folder) wherever it lies. Anything that is neither a
// file nor a folder is passed over.
FolderWalk walkFolder(const std::filesystem::path &folder, const std::vector<std::string> &suffixes,
                      const std::filesystem::path &prefix = {}, const std::filesystem::path &skip = {});

} // namespace qor
