#include "render/attachedanimations.h"

#include "core/attachment.h"
#include "core/loader.h"

#include <QDir>
#include <QFileInfo>

namespace qor {

namespace {

// Keeps the loader's last line, which says why a file did not read.
class LastLine : public LogSink {
public:
    void logLine(const QString &text) override { last = text; }
    QString last;
};

} // namespace

QByteArray animationName(const QString &path)
{
    QString name = QFileInfo(path).fileName().toLower();
    for (const QLatin1StringView ending : {QLatin1StringView(".reanim.compiled"), QLatin1StringView(".reanim")}) {
        if (name.endsWith(ending)) {
            name.chop(ending.size());
            break;
        }
    }
    return name.toLatin1();
}

AttachedAnimations::AttachedAnimations(const QString &path, const QStringList &moreFolders)
    : ownName_(animationName(path)), folders_{QFileInfo(path).absolutePath()}
{
    for (const QString &folder : moreFolders) {
        if (!folder.isEmpty())
            folders_.append(folder);
    }
}

const EvaluatedAnimation *AttachedAnimations::animation(const QByteArray &name) const
{
    const QByteArray key = name.toLower();
    auto found = loaded_.find(key);
    if (found == loaded_.end()) {
        Entry entry{findAttachedFile(folders_, name), std::nullopt};
        if (entry.path.isEmpty()) {
            QStringList places;
            for (const QString &folder : folders_)
                places.append(QDir::toNativeSeparators(folder));
            noteProblem(QStringLiteral("no attached animation %1: looked for %2 in %3")
                            .arg(QString::fromLatin1(name), attachedFileNames(name).join(QStringLiteral(" or ")),
                                 places.join(QStringLiteral(", "))));
        } else {
            LastLine log;
            if (const auto loaded = loadAnimation(entry.path, log))
                entry.animation = evaluate(loaded->reanim);
            else
                noteProblem(QStringLiteral("attached animation %1 does not read: %2")
                                .arg(QDir::toNativeSeparators(entry.path), log.last));
        }
        found = loaded_.emplace(key, std::move(entry)).first;
    }
    return found->second.animation ? &*found->second.animation : nullptr;
}

QStringList AttachedAnimations::files() const
{
    QStringList paths;
    for (const auto &[name, entry] : loaded_) {
        if (!entry.path.isEmpty())
            paths.append(entry.path);
    }
    return paths;
}

void AttachedAnimations::noteProblem(const QString &text) const
{
    if (!problems_.contains(text))
        problems_.append(text);
}

} // namespace qor
