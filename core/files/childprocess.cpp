#include "core/files/childprocess.h"

#include <cerrno>
#include <cstdint>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char **environ;
#endif

namespace qor {

#ifdef _WIN32
namespace {

// One argument as the C runtime of the child splits its command line again.
std::wstring quoted(const std::wstring &argument)
{
    std::wstring text = L"\"";
    std::size_t slashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        text.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        text += c;
    }
    text.append(slashes * 2, L'\\');
    return text + L"\"";
}

} // namespace

std::optional<int> runProgram(const std::filesystem::path &program, const std::vector<std::string> &arguments)
{
    std::vector<std::wstring> words{quoted(program.native())};
    for (const std::string &argument : arguments)
        words.push_back(quoted(std::filesystem::path(argument).native()));
    std::vector<const wchar_t *> argv;
    for (const std::wstring &word : words)
        argv.push_back(word.c_str());
    argv.push_back(nullptr);
    const intptr_t status = ::_wspawnv(_P_WAIT, program.c_str(), argv.data());
    if (status == -1)
        return std::nullopt;
    return int(status);
}

std::filesystem::path runningProgram(const char *argv0)
{
    std::wstring path(32768, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0 || length >= path.size())
        return std::filesystem::path(argv0 ? argv0 : "");
    path.resize(length);
    return path;
}
#else
std::optional<int> runProgram(const std::filesystem::path &program, const std::vector<std::string> &arguments)
{
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return std::nullopt;
    int status = 0;
    while (::waitpid(child, &status, 0) == -1) {
        if (errno != EINTR)
            return std::nullopt;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return std::nullopt;
}

std::filesystem::path runningProgram(const char *argv0)
{
    std::error_code error;
    std::filesystem::path own = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return own;
    own = std::filesystem::absolute(argv0 ? argv0 : "", error);
    return error ? std::filesystem::path(argv0 ? argv0 : "") : own;
}
#endif

} // namespace qor
