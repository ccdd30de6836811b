#include "qt/windowarguments.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace qorqt {

namespace {

// Whether an argument is one of the options QApplication takes out of the arguments itself.
bool isQtOption(std::string_view argument)
{
    static constexpr std::array<std::string_view, 23> qt{
        "platform", "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry", "geometry",
        "qwindowicon", "icon", "qwindowtitle", "title", "reverse", "session", "display", "name", "style",
        "stylesheet", "widgetcount", "nograb", "dograb", "sync", "visual", "qmljsdebugger", "testability"};
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    argument = argument.substr(0, argument.find('='));
    return std::find(qt.begin(), qt.end(), argument) != qt.end();
}

int usageError(const cli::WindowProgram &program, std::string_view why)
{
    const opts::Program &described = program.described;
    std::fprintf(stderr, "%.*s: %.*s\n%s", int(described.name.size()), described.name.data(), int(why.size()), why.data(),
                 opts::helpText(described).c_str());
    return 2;
}

// `arguments` without the program's own name; Qt's options are let through until Qt has taken
// them, and then answered afterwards.
std::optional<int> answer(const cli::WindowProgram &program, const std::vector<std::string> &arguments, bool qtHasTaken,
                          QString *file)
{
    const opts::Program &described = program.described;
    // Their options only answer; none is stored.
    const auto storeNothing = [](size_t, std::string_view, const std::string &) { return std::nullopt; };
    const opts::Outcome outcome = opts::read(described.groups.front().options, arguments, storeNothing,
                                             {.foreign = qtHasTaken ? std::function<bool(std::string_view)>() : isQtOption});
    if (const auto *does = std::get_if<opts::Does>(&outcome)) {
        if (*does == opts::Does::Help)
            std::fputs(opts::helpText(described).c_str(), stdout);
        else
            std::printf("%.*s %s\n", int(described.name.size()), described.name.data(),
                        qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (const auto *error = std::get_if<opts::UsageError>(&outcome))
        return usageError(program, error->why);
    const opts::Reading &reading = std::get<opts::Reading>(outcome);
    if (!reading.foreign.empty())
        return std::nullopt;
    if (reading.operands.size() > program.mostFiles)
        return usageError(program, program.refusedFiles);
    if (file && !reading.operands.empty())
        *file = QFile::decodeName(QByteArray::fromStdString(reading.operands.front()));
    return std::nullopt;
}

} // namespace

std::optional<int> answerBeforeApplication(const cli::WindowProgram &program, int argc, char **argv)
{
    const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
    return answer(program, arguments, false, nullptr);
}

std::optional<int> answerAfterApplication(const cli::WindowProgram &program, QString *file)
{
    std::vector<std::string> arguments;
    const QStringList given = QCoreApplication::arguments();
    for (qsizetype index = 1; index < given.size(); ++index)
        arguments.push_back(QFile::encodeName(given[index]).toStdString());
    return answer(program, arguments, true, file);
}

} // namespace qorqt
