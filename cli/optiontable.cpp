#include "cli/optiontable.h"

#include <algorithm>

namespace opts {

namespace {

constexpr size_t helpWidth = 79;

bool spells(const Option &option, std::string_view spelling)
{
    if (spelling.starts_with("--"))
        return !option.longName.empty() && spelling.substr(2) == option.longName;
    return option.shortName != 0 && spelling.size() == 2 && spelling[0] == '-' && spelling[1] == option.shortName;
}

std::optional<size_t> find(std::span<const Option> options, std::string_view spelling)
{
    const auto found = std::find_if(options.begin(), options.end(),
                                    [&](const Option &option) { return spells(option, spelling); });
    if (found == options.end())
        return std::nullopt;
    return size_t(found - options.begin());
}

// Whether help or the version is asked for before any "--", and not as an option's value.
std::optional<Does> asked(std::span<const Option> options, std::span<const std::string> arguments)
{
    for (size_t index = 0; index < arguments.size(); ++index) {
        if (arguments[index] == "--")
            break;
        const auto option = find(options, arguments[index]);
        if (!option)
            continue;
        if (options[*option].does != Does::Store)
            return options[*option].does;
        if (!options[*option].valueName.empty())
            ++index;
    }
    return std::nullopt;
}

bool appliesTo(const Option &option, const OptionGroup &group, unsigned command)
{
    return (option.commands & group.commands & command) != 0;
}

// The words of `text` in lines of at most `width` columns, the first after `first` and the rest
// after `indent` columns of spaces (a word longer than a line stands alone).
std::string wrapped(std::string_view text, std::string first, size_t indent, size_t width = helpWidth)
{
    std::string out = std::move(first);
    size_t lineStart = 0;
    bool lineEmpty = true;
    size_t at = 0;
    while (at < text.size()) {
        const size_t wordStart = text.find_first_not_of(' ', at);
        if (wordStart == std::string_view::npos)
            break;
        const size_t wordEnd = std::min(text.find(' ', wordStart), text.size());
        const std::string_view word = text.substr(wordStart, wordEnd - wordStart);
        if (!lineEmpty && out.size() - lineStart + 1 + word.size() > width) {
            out += '\n';
            lineStart = out.size();
            out.append(indent, ' ');
            lineEmpty = true;
        }
        if (!lineEmpty)
            out += ' ';
        out += word;
        lineEmpty = false;
        at = wordEnd;
    }
    return out + '\n';
}

// The commands an option of a group applies to, when not all of the group's: "(compile, check) ".
std::string onlyFor(const Program &program, const OptionGroup &group, const Option &option)
{
    std::string names;
    bool all = true;
    for (size_t index = 0; index < program.commands.size() && index < 32; ++index) {
        const unsigned bit = 1u << index;
        if (!(group.commands & bit))
            continue;
        if (!(option.commands & bit)) {
            all = false;
            continue;
        }
        names += (names.empty() ? "" : ", ") + std::string(program.commands[index].name);
    }
    return all ? std::string() : "(" + names + ") ";
}

struct Listed {
    std::string names;
    std::string help;
    const Option *option = nullptr; // none for a command
};

std::string optionList(const std::vector<Listed> &listed)
{
    size_t longest = 0;
    for (const Listed &entry : listed)
        longest = std::max(longest, entry.names.size());
    const size_t column = std::min<size_t>(2 + longest + 2, 24);
    std::string out;
    for (const Listed &entry : listed) {
        std::string first = "  " + entry.names;
        if (first.size() + 2 > column) {
            out += first + '\n';
            first.clear();
        }
        first.resize(column, ' ');
        out += wrapped(entry.help, std::move(first), column);
    }
    return out;
}

// What each group lists for `command` (or for the whole program when it is -1), with the
// program's own options after the first group.
std::vector<std::pair<std::string_view, std::vector<Listed>>> optionSections(const Program &program, int command)
{
    std::vector<std::pair<std::string_view, std::vector<Listed>>> sections;
    // The whole program's help says an option once when several groups have it alike (--help).
    std::vector<std::string> shown;
    const auto firstTime = [&shown, command](const Option &option) {
        const std::string said = optionNames(option) + ' ' + std::string(option.help);
        if (command >= 0 || std::find(shown.begin(), shown.end(), said) == shown.end()) {
            shown.push_back(said);
            return true;
        }
        return false;
    };
    const unsigned bit = command < 0 ? allCommands : 1u << unsigned(command);
    for (const OptionGroup &group : program.groups) {
        if (!(group.commands & bit))
            continue;
        std::vector<Listed> listed;
        for (const Option &option : group.options) {
            if (!appliesTo(option, group, bit) || !firstTime(option))
                continue;
            listed.push_back({optionNames(option),
                              (command < 0 ? onlyFor(program, group, option) : std::string()) + std::string(option.help),
                              &option});
        }
        if (command < 0 && sections.empty()) {
            for (const Option &option : program.ownOptions)
                if (firstTime(option))
                    listed.push_back({optionNames(option), std::string(option.help), &option});
        }
        sections.emplace_back(command < 0 ? group.title : std::string_view("Options"), std::move(listed));
    }
    if (sections.empty() && !program.ownOptions.empty()) {
        std::vector<Listed> listed;
        for (const Option &option : program.ownOptions)
            listed.push_back({optionNames(option), std::string(option.help), &option});
        sections.emplace_back("Options", std::move(listed));
    }
    return sections;
}

// The usage lines: the program's name, the command's padded to the longest, and the rest.
std::vector<std::string> usage(const Program &program, int command)
{
    size_t longest = 0;
    for (const Command &each : program.commands)
        longest = std::max(longest, each.name.size());
    std::vector<std::string> lines;
    for (size_t index = 0; index < program.commands.size(); ++index) {
        if (command >= 0 && size_t(command) != index)
            continue;
        const Command &each = program.commands[index];
        std::string name(program.name);
        if (!each.name.empty()) {
            name += ' ';
            name += each.name;
            if (command < 0)
                name.resize(program.name.size() + 1 + longest, ' ');
        }
        for (const std::string_view line : each.usage)
            lines.push_back(name + (line.empty() ? "" : " ") + std::string(line));
    }
    return lines;
}

// Roff text: backslashes and hyphens escaped, and a line that would start a request kept text.
std::string roff(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (out.starts_with('.') || out.starts_with('\''))
        out.insert(0, "\\&");
    return out;
}

std::string roffNames(const Option &option)
{
    std::string out;
    if (option.shortName)
        out += "\\fB\\-" + std::string(1, option.shortName) + "\\fR";
    if (!option.longName.empty())
        out += (out.empty() ? "" : ", ") + std::string("\\fB\\-\\-") + roff(option.longName) + "\\fR";
    if (!option.valueName.empty())
        out += " \\fI" + roff(option.valueName) + "\\fR";
    return out;
}

std::string upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
    return out;
}

} // namespace

int commandIndex(const Program &program, std::string_view name)
{
    for (size_t index = 0; index < program.commands.size(); ++index)
        if (program.commands[index].name == name)
            return int(index);
    return -1;
}

Outcome read(std::span<const Option> options, std::span<const std::string> arguments, const Take &take,
             const Scope &scope)
{
    if (const auto does = asked(options, arguments))
        return *does;
    Reading reading;
    bool operandsOnly = false;
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::string &argument = arguments[index];
        if (operandsOnly || argument == "-" || !argument.starts_with('-')) {
            reading.operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            operandsOnly = true;
            continue;
        }
        // --name=value is the same as --name value, and so is -jVALUE for a short option that
        // takes a value (-j4, -oout.reanim), as getopt has it.
        std::string_view spelling = argument;
        std::optional<std::string> attached;
        if (const size_t equals = argument.find('='); argument.starts_with("--") && equals != std::string::npos) {
            spelling = spelling.substr(0, equals);
            attached = argument.substr(equals + 1);
        } else if (!argument.starts_with("--") && argument.size() > 2
                   && std::any_of(options.begin(), options.end(), [&](const Option &option) {
                          return option.shortName == argument[1] && !option.valueName.empty();
                      })) {
            spelling = spelling.substr(0, 2);
            attached = argument.substr(2);
        }
        const auto found = find(options, spelling);
        if (!found && scope.foreign && scope.foreign(argument)) {
            reading.foreign.push_back(argument);
            continue;
        }
        if (!found)
            return UsageError{"unknown option '" + argument + "' (use -- before a file name that starts with -)"};
        const Option &option = options[*found];
        if (!(option.commands & scope.command))
            return UsageError{std::string(spelling) + " does not apply to " + std::string(scope.commandName)};
        std::string value;
        if (!option.valueName.empty()) {
            if (attached)
                value = *attached;
            else if (index + 1 < arguments.size())
                value = arguments[++index];
            else
                return UsageError{std::string(spelling) + " needs a value"};
        } else if (attached) {
            return UsageError{std::string(spelling) + " takes no value"};
        }
        if (option.does != Does::Store)
            continue;
        if (auto error = take(*found, spelling, value))
            return UsageError{std::move(*error)};
    }
    return reading;
}

std::string optionNames(const Option &option)
{
    std::string names;
    if (option.shortName)
        names = std::string("-") + option.shortName;
    if (!option.longName.empty())
        names += (names.empty() ? "--" : ", --") + std::string(option.longName);
    if (!option.valueName.empty())
        names += " " + std::string(option.valueName);
    return names;
}

std::string usageLines(const Program &program, std::string_view command)
{
    std::string out;
    for (const std::string &line : usage(program, command.empty() ? -1 : commandIndex(program, command)))
        out += (out.empty() ? "Usage: " : "       ") + line + '\n';
    return out;
}

std::string helpText(const Program &program, std::string_view commandName)
{
    const int command = commandName.empty() ? -1 : commandIndex(program, commandName);
    std::string out = usageLines(program, commandName);
    const auto paragraphs = [&out](const std::vector<std::string_view> &texts) {
        for (const std::string_view text : texts)
            out += '\n' + wrapped(text, {}, 0);
    };
    if (command < 0) {
        paragraphs(program.about);
        bool named = false;
        std::vector<Listed> commands;
        for (const Command &each : program.commands) {
            named = named || !each.name.empty();
            commands.push_back({std::string(each.name), std::string(each.summary)});
        }
        if (named)
            out += "\nCommands:\n" + optionList(commands);
    } else {
        paragraphs(program.commands[size_t(command)].about);
    }
    for (const auto &[title, listed] : optionSections(program, command))
        out += '\n' + std::string(title) + ":\n" + optionList(listed);
    if (command < 0 && !program.examples.empty()) {
        out += "\nExamples:\n";
        for (const std::string_view example : program.examples)
            out += "  " + std::string(example) + '\n';
    }
    if (command < 0)
        paragraphs(program.notes);
    const std::string_view exitStatus =
        command >= 0 && !program.commands[size_t(command)].exitStatus.empty() ? program.commands[size_t(command)].exitStatus
                                                                             : program.exitStatus;
    if (!exitStatus.empty())
        out += '\n' + wrapped("Exit status: " + std::string(exitStatus), {}, 0);
    return out;
}

std::string manPage(const Program &program, std::string_view version)
{
    std::string out = ".\\\" Written from the program's option table by qorutil-manpage; change the table, not this page.\n";
    out += ".TH \"" + upper(program.name) + "\" 1 \"\" \"" + std::string(program.name) + ' ' + std::string(version)
           + "\" \"User Commands\"\n";
    // File names are not to be broken at the end of a line.
    out += ".nh\n";
    out += ".SH NAME\n" + roff(program.name) + " \\- " + roff(program.summary) + '\n';
    out += ".SH SYNOPSIS\n.nf\n";
    for (const Command &command : program.commands) {
        std::string name(program.name);
        if (!command.name.empty())
            name += ' ' + std::string(command.name);
        for (const std::string_view line : command.usage)
            out += "\\fB" + roff(name) + "\\fR" + (line.empty() ? "" : " ") + roff(line) + '\n';
    }
    out += ".fi\n";
    const auto paragraphs = [&out](const std::vector<std::string_view> &texts, std::string_view between) {
        for (size_t index = 0; index < texts.size(); ++index)
            out += (index > 0 ? std::string(between) : std::string()) + roff(texts[index]) + '\n';
    };
    out += ".SH DESCRIPTION\n";
    paragraphs(program.about, ".PP\n");
    const bool named = std::any_of(program.commands.begin(), program.commands.end(),
                                   [](const Command &command) { return !command.name.empty(); });
    if (named) {
        out += ".SH COMMANDS\n";
        for (const Command &command : program.commands) {
            // Its own help says more than its line in the list.
            out += ".TP\n.B " + roff(command.name) + '\n';
            if (command.about.empty())
                out += roff(command.summary) + '\n';
            for (size_t index = 0; index < command.about.size(); ++index)
                out += (index > 0 ? ".IP\n" : "") + roff(command.about[index]) + '\n';
            if (!command.exitStatus.empty())
                out += ".IP\nExit status: " + roff(command.exitStatus) + '\n';
        }
    }
    out += ".SH OPTIONS\n";
    const auto sections = optionSections(program, -1);
    for (const auto &[title, listed] : sections) {
        if (sections.size() > 1)
            out += ".SS \"" + roff(title) + "\"\n";
        for (const Listed &entry : listed)
            out += ".TP\n" + roffNames(*entry.option) + '\n' + roff(entry.help) + '\n';
    }
    if (!program.examples.empty()) {
        out += ".SH EXAMPLES\n.nf\n";
        for (const std::string_view example : program.examples)
            out += roff(example) + '\n';
        out += ".fi\n";
    }
    if (!program.notes.empty()) {
        out += ".SH NOTES\n";
        paragraphs(program.notes, ".PP\n");
    }
    if (!program.exitStatus.empty())
        out += ".SH \"EXIT STATUS\"\n" + roff(program.exitStatus) + '\n';
    if (!program.seeAlso.empty()) {
        out += ".SH \"SEE ALSO\"\n";
        for (size_t index = 0; index < program.seeAlso.size(); ++index)
            out += ".BR " + roff(program.seeAlso[index]) + " (1)" + (index + 1 < program.seeAlso.size() ? "," : "") + '\n';
    }
    return out;
}

} // namespace opts
