#include "qt/windowarguments.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace qorqt {

namespace {

void describe(QCommandLineParser &parser, const WindowProgram &program)
{
    parser.setApplicationDescription(program.description);
    // -platform and the like are Qt's own options, words after one dash.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    if (!program.fileHelp.isEmpty())
        parser.addPositionalArgument(QStringLiteral("FILE"), program.fileHelp, QStringLiteral("[FILE]"));
}

QString programName(const WindowProgram &program, const QStringList &arguments)
{
    return arguments.isEmpty() ? program.name : QFileInfo(arguments.constFirst()).fileName();
}

// The help text, naming the program as it is called on the PATH (Qt puts in the path it was
// started by, or "<executable_name>" before there is an application object).
QString usageText(const QCommandLineParser &parser, const QString &name)
{
    QString text = parser.helpText();
    const QLatin1String usage("Usage: ");
    if (text.startsWith(usage))
        text.replace(usage.size(), text.indexOf(QLatin1Char(' '), usage.size()) - usage.size(), name);
    return text;
}

// Options that QApplication takes out of the arguments itself.
bool qtOptions(const QStringList &names)
{
    static const QStringList qt{
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
        QStringLiteral("qwindowicon"), QStringLiteral("icon"), QStringLiteral("qwindowtitle"),
        QStringLiteral("title"), QStringLiteral("reverse"), QStringLiteral("session"), QStringLiteral("display"),
        QStringLiteral("name"), QStringLiteral("style"), QStringLiteral("stylesheet"),
        QStringLiteral("widgetcount"), QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync"),
        QStringLiteral("visual"), QStringLiteral("qmljsdebugger"), QStringLiteral("testability")};
    for (const QString &name : names) {
        if (!qt.contains(name.section(QLatin1Char('='), 0, 0)))
            return false;
    }
    return true;
}

int usageError(const QString &name, const QString &why, const QString &usage)
{
    std::fprintf(stderr, "%s: %s\n%s", qPrintable(name), qPrintable(why), qPrintable(usage));
    return 2;
}

std::optional<int> answer(const WindowProgram &program, QCommandLineParser &parser, const QStringList &arguments)
{
    const QString name = programName(program, arguments);
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(usageText(parser, name)), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(name), qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (parser.positionalArguments().size() > (program.fileHelp.isEmpty() ? 0 : 1))
        return usageError(name, program.refusedFiles, usageText(parser, name));
    return std::nullopt;
}

} // namespace

std::optional<int> answerBeforeApplication(const WindowProgram &program, int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    describe(parser, program);
    if (parser.parse(arguments))
        return answer(program, parser, arguments);
    if (!qtOptions(parser.unknownOptionNames()))
        return usageError(programName(program, arguments), parser.errorText(),
                          usageText(parser, programName(program, arguments)));
    return std::nullopt;
}

std::optional<int> answerAfterApplication(const WindowProgram &program, QString *file)
{
    QCommandLineParser parser;
    describe(parser, program);
    const QStringList arguments = QCoreApplication::arguments();
    if (!parser.parse(arguments))
        return usageError(programName(program, arguments), parser.errorText(),
                          usageText(parser, programName(program, arguments)));
    if (const std::optional<int> status = answer(program, parser, arguments))
        return status;
    if (file && !parser.positionalArguments().isEmpty())
        *file = parser.positionalArguments().constFirst();
    return std::nullopt;
}

} // namespace qorqt
