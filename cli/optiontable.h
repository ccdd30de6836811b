#pragma once

// Command lines described by tables: each option's names, the value it takes, what --help and
// the man page say of it, and how its value is stored. One reader parses the arguments of every
// program against its table, and the help texts, the man pages and README's usage lines are all
// written from the same tables.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace opts {

// What an option does beside being stored.
enum class Does { Store, Help, Version };

// A bit per command of a program (Option::commands); a program without commands has one.
inline constexpr unsigned allCommands = ~0u;

// One option as the reader and the texts see it.
struct Option {
    std::string_view longName{};  // without its dashes; empty when it has none
    char shortName = 0;         // 0 when it has none
    std::string_view valueName{}; // empty when it takes no value
    std::string_view help{};      // one paragraph, wrapped where it is shown
    Does does = Does::Store;
    unsigned commands = allCommands; // the commands it applies to, by their place in Program::commands
};

// An option and how its value is kept in the program's own settings. `store` gets the option
// as spelled (-j or --jobs) and its value (empty for an option that takes none), and returns
// the words of a usage error when the value does not fit.
template <class Target>
struct Stored {
    Option option{};
    std::optional<std::string> (*store)(Target &, std::string_view spelling, const std::string &value) = nullptr;
};

// How most options are stored: a flag set, a text kept as given.
template <class Target, bool Target::*flag>
std::optional<std::string> setFlag(Target &target, std::string_view, const std::string &)
{
    target.*flag = true;
    return std::nullopt;
}
template <class Target, std::string Target::*text>
std::optional<std::string> keepText(Target &target, std::string_view, const std::string &value)
{
    target.*text = value;
    return std::nullopt;
}

template <class Target>
std::vector<Option> optionsOf(std::span<const Stored<Target>> table)
{
    std::vector<Option> options{};
    for (const Stored<Target> &entry : table)
        options.push_back(entry.option);
    return options;
}

struct Command {
    std::string_view name{};                  // empty for a program without commands
    std::vector<std::string_view> usage{};    // what follows the program's (and command's) name, one line each
    std::string_view summary{};               // its line in the program's list of commands
    std::vector<std::string_view> about{};    // paragraphs of its own help
    std::string_view exitStatus{};            // when it differs from the program's
};

struct OptionGroup {
    std::string_view title{};        // "Options", "Render options"
    unsigned commands = allCommands; // the commands whose options these are
    std::vector<Option> options{};
};

struct Program {
    std::string_view name{};
    std::string_view summary{};            // the man page's one line: "name - summary"
    std::vector<Command> commands{};
    std::vector<std::string_view> about{}; // paragraphs after the usage lines
    std::vector<OptionGroup> groups{};
    std::vector<Option> ownOptions{};      // before any command: --help, --version
    std::vector<std::string_view> examples{};
    std::vector<std::string_view> notes{}; // paragraphs after the examples
    std::string_view exitStatus{};
    std::vector<std::string_view> seeAlso{};
};

// The command of a program by name; -1 when there is none.
int commandIndex(const Program &program, std::string_view name);

// What reading a command line found: the operands in order (and the arguments `foreign` let
// through, for another parser), or that help or the version was asked for, or the words of a
// usage error.
struct Reading {
    std::vector<std::string> operands{};
    std::vector<std::string> foreign{};
};
struct UsageError {
    std::string why{};
};
using Outcome = std::variant<Reading, Does, UsageError>;

// Hands each option given to the program, by its place in the table, as spelled and with its
// value; returns a usage error's words when the value does not fit.
using Take = std::function<std::optional<std::string>(size_t option, std::string_view spelling, const std::string &value)>;

struct Scope {
    unsigned command = allCommands;  // the command's bit
    std::string_view commandName{};    // for "does not apply to"
    std::function<bool(std::string_view argument)> foreign{}; // arguments left to someone else
};

// Reads `arguments` against `options`, getopt_long's way: --name VALUE or --name=VALUE, -x VALUE
// or -xVALUE; "--" makes every later argument an operand, and so is "-" (standard input).
// Short options are not bundled: -qv is one unknown option. --help (or --version) before any
// "--", and not as an option's value, wins over everything else.
Outcome read(std::span<const Option> options, std::span<const std::string> arguments, const Take &take,
             const Scope &scope = {});

// Reads into a program's own settings through a table of stored options.
template <class Target>
Outcome read(std::span<const Stored<Target>> table, std::span<const std::string> arguments, Target &target,
             const Scope &scope = {})
{
    const std::vector<Option> options = optionsOf(table);
    return read(options, arguments,
                [&](size_t option, std::string_view spelling, const std::string &value) -> std::optional<std::string> {
                    if (!table[option].store)
                        return std::nullopt;
                    return table[option].store(target, spelling, value);
                },
                scope);
}

// "-o, --output OUT" as help shows it.
std::string optionNames(const Option &option);

// The help of a program, or of one of its commands when `command` names one.
std::string helpText(const Program &program, std::string_view command = {});

// The lines of the help starting "Usage:", as README shows them.
std::string usageLines(const Program &program, std::string_view command = {});

// The program's man page (section 1) in roff.
std::string manPage(const Program &program, std::string_view version);

} // namespace opts
