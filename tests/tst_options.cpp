// The option tables against what is built from them: each program's --help, its man page as
// groff reads it and README's usage block say the same options and usage lines, and the
// parser takes every option of the tables in every spelling it has.
#include "cli/options.h"
#include "cli/programs.h"
#include "cli/renderoptions.h"
#include "run.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {

// Runs of blanks as one space: help lines up its columns, a man page fills its lines.
QString spaced(QString text)
{
    return text.replace(QRegularExpression(u"\\s+"_s), u" "_s);
}

QString text(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

const opts::Program &programNamed(const QString &name)
{
    for (const opts::Program *program : cli::programs())
        if (text(program->name) == name)
            return *program;
    qFatal("no program %s", qPrintable(name));
}

QString binary(const QString &name)
{
    const std::map<QString, QString> built{{u"qorutil"_s, QStringLiteral(QORUTIL_WINDOW)},
                                           {u"qorutil-preview"_s, QStringLiteral(QORUTIL_PREVIEW)},
                                           {u"qorutil-cli"_s, QStringLiteral(QORUTIL_CLI)}};
    return built.at(name);
}

// The options `command` takes (every option of the program when it is empty).
std::vector<opts::Option> optionsOf(const opts::Program &program, const QString &command)
{
    const int index = command.isEmpty() ? -1 : opts::commandIndex(program, command.toStdString());
    const unsigned bit = index < 0 ? opts::allCommands : 1u << unsigned(index);
    std::vector<opts::Option> options;
    for (const opts::OptionGroup &group : program.groups)
        for (const opts::Option &option : group.options)
            if (option.commands & group.commands & bit)
                options.push_back(option);
    if (index < 0)
        options.insert(options.end(), program.ownOptions.begin(), program.ownOptions.end());
    return options;
}

// A value each kind of option takes, by the name its help gives the value.
QString sampleValue(std::string_view valueName)
{
    static const std::map<std::string_view, QString> samples{
        {"N", u"2"_s},          {"P", u"1"_s},           {"S", u"1.5"_s},        {"F", u"10"_s},
        {"L,T,W,H", u"0,0,10,10"_s}, {"COLOUR", u"red"_s}, {"OUT.webp|OUT.gif", u"a.gif"_s},
        {"png|webp|gif", u"gif"_s}, {"DIR", u"d"_s},     {"NAME", u"walk"_s},    {"OUT", u"o.reanim"_s},
        {"OUT.png", u"o.png"_s}};
    const auto sample = samples.find(valueName);
    return sample == samples.end() ? QString() : sample->second;
}

} // namespace

class tst_Options : public QObject {
    Q_OBJECT

private slots:
    // Each program, and each command of qorutil-cli, as a row.
    void helpManPageAndReadmeAgree_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("command");
        for (const opts::Program *program : cli::programs()) {
            QTest::newRow(program->name.data()) << text(program->name) << QString();
            for (const opts::Command &command : program->commands)
                if (!command.name.empty())
                    QTest::addRow("%s %s", program->name.data(), command.name.data())
                        << text(program->name) << text(command.name);
        }
    }
    void helpManPageAndReadmeAgree()
    {
        QFETCH(QString, program);
        QFETCH(QString, command);
        const opts::Program &described = programNamed(program);
        const Run help = runProgram(binary(program), (command.isEmpty() ? QStringList() : QStringList{command}) << u"--help"_s);
        QCOMPARE(help.exitCode, 0);
        const QString helpOut = QString::fromUtf8(help.out);
        QCOMPARE(helpOut, text(opts::helpText(described, command.toStdString())));

        const QString pagePath = QStringLiteral(QORUTIL_MAN_DIR "/") + program + u".1"_s;
        QVERIFY2(QFile::exists(pagePath), qPrintable(pagePath));
        const Run warnings = runProgram(u"groff"_s, {u"-man"_s, u"-ww"_s, u"-z"_s, pagePath});
        QCOMPARE(warnings.exitCode, 0);
        QCOMPARE(warnings.err, QString());
        const Run page = runProgram(u"groff"_s, {u"-man"_s, u"-Tascii"_s, u"-rLL=250n"_s, u"-P-cbou"_s, pagePath});
        QCOMPARE(page.exitCode, 0);
        const QString manText = spaced(QString::fromUtf8(page.out));
        const QString helpText = spaced(helpOut);

        QFile readme(QStringLiteral(QORUTIL_README));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString readmeText = QString::fromUtf8(readme.readAll());
        const qsizetype begin = readmeText.indexOf(u"<!-- usage: begin"_s);
        const qsizetype end = readmeText.indexOf(u"<!-- usage: end"_s);
        QVERIFY(begin >= 0 && end > begin);
        const QString block = spaced(readmeText.mid(begin, end - begin));

        const QStringList lines = text(opts::usageLines(described, command.toStdString())).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(!lines.isEmpty());
        for (QString line : lines) {
            line = spaced(line.remove(QRegularExpression(u"^Usage:"_s)).trimmed());
            QVERIFY2(helpText.contains(line), qPrintable(u"--help lacks "_s + line));
            QVERIFY2(manText.contains(line), qPrintable(u"the man page lacks "_s + line));
            QVERIFY2(block.contains(line), qPrintable(u"README's usage block lacks "_s + line));
        }
        for (const opts::Option &option : optionsOf(described, command)) {
            const QString names = text(opts::optionNames(option));
            QVERIFY2(helpText.contains(names), qPrintable(u"--help lacks "_s + names));
            QVERIFY2(manText.contains(names + u' '), qPrintable(u"the man page lacks "_s + names));
            QVERIFY2(manText.contains(spaced(text(option.help))), qPrintable(u"the man page lacks the help of "_s + names));
        }
    }

    // Every option of qorutil-cli's tables, in every spelling: --name VALUE, --name=VALUE,
    // -x VALUE and -xVALUE.
    void everyOptionIsAccepted_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<int>("does");
        const opts::Program &program = cli::program();
        const auto rows = [](const QString &command, const opts::Option &option) {
            const QString value = sampleValue(option.valueName);
            QVERIFY2(option.valueName.empty() || !value.isEmpty(),
                     qPrintable(u"no sample value for "_s + text(option.valueName)));
            const auto row = [&](const QStringList &given) {
                QTest::addRow("%s %s", qPrintable(command), qPrintable(given.join(u' ')))
                    << command << given << int(option.does);
            };
            if (!option.longName.empty()) {
                const QString name = u"--"_s + text(option.longName);
                row(value.isEmpty() ? QStringList{name} : QStringList{name, value});
                if (!value.isEmpty())
                    row({name + u'=' + value});
            }
            if (option.shortName) {
                const QString name = u'-' + QChar::fromLatin1(option.shortName);
                row(value.isEmpty() ? QStringList{name} : QStringList{name, value});
                if (!value.isEmpty())
                    row({name + value});
            }
        };
        for (const opts::Command &command : program.commands)
            for (const opts::Option &option : optionsOf(program, text(command.name)))
                rows(text(command.name), option);
        for (const opts::Option &option : program.ownOptions)
            rows(QString(), option);
    }
    void everyOptionIsAccepted()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, given);
        QFETCH(int, does);
        std::vector<std::string> arguments;
        for (const QString &argument : given)
            arguments.push_back(argument.toStdString());
        if (command == u"render") {
            // A frame by default; an animation or every clip writes no -o.
            const QString name = given.first().section(u'=', 0, 0);
            const bool elsewhere = name == u"--animation" || name == u"--all-clips";
            const bool output = name == u"--output" || name.startsWith(u"-o");
            arguments.insert(arguments.begin(), "in.reanim");
            if (!elsewhere && !output)
                arguments.insert(arguments.end(), {"-o", "out.png"});
            const cli::RenderChecks checks{[](const std::string &colour) { return colour == "red"; },
                                           [](const std::string &name) { return name.ends_with(".gif"); }, 100};
            const cli::RenderParsed parsed = cli::parseRender(arguments, checks);
            if (const auto *error = std::get_if<opts::UsageError>(&parsed))
                QFAIL(error->why.c_str());
            QCOMPARE(std::holds_alternative<cli::RenderHelp>(parsed), does == int(opts::Does::Help));
            return;
        }
        if (!command.isEmpty()) {
            arguments.insert(arguments.begin(), command.toStdString());
            arguments.push_back("in.reanim");
        }
        const cli::Parsed parsed = cli::parseOptions(arguments);
        if (const auto *error = std::get_if<cli::UsageError>(&parsed))
            QFAIL(error->why.c_str());
        if (does == int(opts::Does::Help)) {
            QVERIFY(std::holds_alternative<cli::ShowHelp>(parsed));
            QCOMPARE(text(std::get<cli::ShowHelp>(parsed).command), command);
        } else {
            QCOMPARE(std::holds_alternative<cli::ShowVersion>(parsed), does == int(opts::Does::Version));
        }
    }

    // What a usage error says, word for word, for the mistakes of each kind; "" for none.
    void usageErrorsSayWhy_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("why");
        const auto row = [](const char *name, QStringList arguments, QString why) {
            QTest::newRow(name) << arguments << why;
        };
        row("no command", {}, u"no command given"_s);
        row("a flag given a value", {u"decompile"_s, u"--sync=yes"_s, u"x"_s}, u"--sync takes no value"_s);
        row("a value missing at the end", {u"decompile"_s, u"x"_s, u"-j"_s}, u"-j needs a value"_s);
        row("-j0", {u"decompile"_s, u"-j0"_s, u"x"_s}, u"-j needs a whole number of at least 1, not '0'"_s);
        row("--jobs=abc", {u"check"_s, u"--jobs=abc"_s, u"x"_s}, u"--jobs needs a whole number of at least 1, not 'abc'"_s);
        row("short options are not bundled", {u"decompile"_s, u"-qv"_s, u"x"_s},
            u"unknown option '-qv' (use -- before a file name that starts with -)"_s);
        row("an option of another command", {u"info"_s, u"--strict"_s, u"x"_s}, u"--strict does not apply to info"_s);
        row("-o given -h as its file", {u"decompile"_s, u"-o"_s, u"-h"_s, u"x"_s}, QString());
        row("-oOUT and -j4 attached", {u"compile"_s, u"-oout"_s, u"-j4"_s, u"x"_s}, QString());
        row("-- before a name with a dash", {u"compile"_s, u"--"_s, u"-x"_s}, QString());
        row("--help after -- is a file", {u"compile"_s, u"--"_s, u"--help"_s}, QString());
        row("- needs -o", {u"decompile"_s, u"-"_s}, u"standard input (-) needs -o to say where its output goes"_s);
        row("render: a value that does not fit", {u"render"_s, u"in"_s, u"-oout.png"_s, u"--frame=-1"_s},
            u"--frame does not take '-1'"_s);
        row("render: a value missing", {u"render"_s, u"in"_s, u"--clip"_s}, u"--clip needs a value"_s);
        row("render: two files", {u"render"_s, u"a"_s, u"b"_s, u"-o"_s, u"out.png"_s}, u"render takes one file"_s);
        row("render: bounds of three numbers", {u"render"_s, u"in"_s, u"-o"_s, u"out.png"_s, u"--bounds"_s, u"1,2,3"_s},
            u"--bounds does not take '1,2,3'"_s);
        row("render: bounds with blanks and a +",
            {u"render"_s, u"in"_s, u"-o"_s, u"o.png"_s, u"--bounds"_s, u" +1, 2,3 ,4"_s},
            QString());
        row("render: -q and -v", {u"render"_s, u"in"_s, u"-o"_s, u"out.png"_s, u"-q"_s, u"-v"_s}, u"-q and -v go apart"_s);
    }
    void usageErrorsSayWhy()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, why);
        std::vector<std::string> given;
        for (const QString &argument : arguments)
            given.push_back(argument.toStdString());
        std::string said;
        if (!given.empty() && given.front() == "render") {
            const auto anything = [](const std::string &) { return true; };
            const cli::RenderChecks checks{anything, anything, 0};
            const cli::RenderParsed parsed = cli::parseRender({given.begin() + 1, given.end()}, checks);
            if (const auto *error = std::get_if<opts::UsageError>(&parsed))
                said = error->why;
        } else {
            const cli::Parsed parsed = cli::parseOptions(given);
            if (const auto *error = std::get_if<cli::UsageError>(&parsed))
                said = error->why;
        }
        QCOMPARE(text(said), why);
    }

    // The windows answer --help and --version before they need a display, let Qt's own
    // options through to Qt, and refuse anything else with exit status 2.
    void windowsTakeTheirOptionsAndQtsOwn_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QTest::newRow("help") << u"qorutil"_s << QStringList{u"-h"_s} << 0 << u"Usage: qorutil [OPTIONS]"_s;
        QTest::newRow("version after a Qt option")
            << u"qorutil-preview"_s << QStringList{u"-platform"_s, u"offscreen"_s, u"-v"_s} << 0 << u"qorutil-preview 1.0"_s;
        QTest::newRow("an unknown option") << u"qorutil-preview"_s << QStringList{u"--fast"_s} << 2
                                           << u"qorutil-preview: unknown option '--fast'"_s;
        QTest::newRow("a file the converter does not take")
            << u"qorutil"_s << QStringList{u"a.reanim"_s} << 2 << u"qorutil: takes no file"_s;
        QTest::newRow("two files, once Qt has taken its option")
            << u"qorutil-preview"_s << QStringList{u"-platform"_s, u"offscreen"_s, u"a"_s, u"b"_s} << 2
            << u"qorutil-preview: plays one file at a time"_s;
        QTest::newRow("--help after -- is a file")
            << u"qorutil"_s << QStringList{u"--"_s, u"--help"_s} << 2 << u"qorutil: takes no file"_s;
    }
    void windowsTakeTheirOptionsAndQtsOwn()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, says);
        const Run answered = runProgram(binary(program), arguments);
        QCOMPARE(answered.exitCode, code);
        const QString said = QString::fromUtf8(answered.out) + answered.err;
        QVERIFY2(said.contains(says), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(tst_Options)
#include "tst_options.moc"
