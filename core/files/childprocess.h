#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Starting another program, on POSIX systems and on Windows alike.
namespace qor {

// Runs `program` with `arguments` (after its own name), each passed as the bytes it is, with
// this program's standard streams and environment, and waits for it. Its exit status, 128
// plus the signal's number when a signal ended it, or nothing when it could not be started.
std::optional<int> runProgram(const std::filesystem::path &program, const std::vector<std::string> &arguments);

// Where the running program's own file is, for a helper that lies beside it; `argv0` (the
// name it was started by) where the system does not say.
std::filesystem::path runningProgram(const char *argv0);

} // namespace qor
