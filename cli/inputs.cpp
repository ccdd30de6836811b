#include "cli/inputs.h"

#include "cli/batch.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace cli {

namespace {

bool hasSuffix(const QString &name, const QStringList &suffixes)
{
    return std::any_of(suffixes.begin(), suffixes.end(),
                       [&](const QString &suffix) { return name.endsWith(suffix, Qt::CaseInsensitive); });
}

std::vector<Input> filesBelow(const QString &folder, const QStringList &suffixes)
{
    std::vector<Input> found;
    const QDir root(folder);
    QDirIterator entries(folder, QDir::Files, QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        if (hasSuffix(entries.fileName(), suffixes))
            found.push_back({path, root.relativeFilePath(path)});
    }
    std::sort(found.begin(), found.end(), [](const Input &a, const Input &b) { return a.relative < b.relative; });
    return found;
}

} // namespace

std::vector<Input> collectInputs(const QStringList &arguments, const QStringList &suffixes, qor::LogSink &log,
                                 int &missing)
{
    std::vector<Input> inputs;
    for (const QString &argument : arguments) {
        const QFileInfo info(argument);
        if (!info.exists()) {
            log.logLine(QLatin1String("ERROR: ") + QDir::toNativeSeparators(argument)
                        + QLatin1String(": no such file or folder"));
            ++missing;
        } else if (info.isDir()) {
            const std::vector<Input> found = filesBelow(argument, suffixes);
            if (found.empty())
                log.logLine(QLatin1String("No ") + suffixes.join(QLatin1String(" or ")) + QLatin1String(" files in ")
                            + QDir::toNativeSeparators(argument));
            inputs.insert(inputs.end(), found.begin(), found.end());
        } else {
            inputs.push_back({argument, info.fileName()});
        }
    }
    return inputs;
}

QString spellingOf(const QString &path)
{
    static const QDir current = QDir::current();
    return QDir::cleanPath(current.absoluteFilePath(path));
}

RunInputs runInputs(const QStringList &arguments, const QStringList &suffixes)
{
    FileLog log;
    RunInputs inputs;
    // A file named twice (itself and in its folder, say) is read once.
    QSet<QString> seen;
    for (Input &input : collectInputs(arguments, suffixes, log, inputs.missing)) {
        const QString identity = spellingOf(input.path);
        if (!seen.contains(identity)) {
            seen.insert(identity);
            inputs.files.push_back(std::move(input));
        }
    }
    printError(log.lines);
    return inputs;
}

QStringList bothSuffixes()
{
    return {QStringLiteral(".compiled"), QStringLiteral(".reanim")};
}

qor::FileKind kindOf(const QString &path, const QByteArray &bytes)
{
    if (path.endsWith(QLatin1String(".compiled"), Qt::CaseInsensitive))
        return qor::FileKind::Compiled;
    if (path.endsWith(QLatin1String(".reanim"), Qt::CaseInsensitive))
        return qor::FileKind::Text;
    return qor::kindOf(bytes);
}

} // namespace cli
