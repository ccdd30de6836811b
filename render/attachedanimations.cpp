#include "render/attachedanimations.h"

#include "core/files/attachedfile.h"
#include "core/scene/attachment.h"
#include "core/scene/sheet.h"
#include "core/files/fileconversions.h"
#include "qt/qtcore.h"

#include <QDir>
#include <QFileInfo>

namespace qor {

namespace {

// Keeps the loader's last line, which says why a file did not read.
class LastLine : public qorqt::LogSink {
public:
    void logText(const QString &text) override { last = text; }
    QString last;
};

} // namespace

std::string animationName(const QString &path)
{
    return qor::animationName(qorqt::toName(QFileInfo(path).fileName().toLower()));
}

AttachedAnimations::AttachedAnimations(const QString &path, const QStringList &moreFolders)
    : ownName_(animationName(path)), folders_{QFileInfo(path).absolutePath()}
{
    for (const QString &folder : moreFolders) {
        if (!folder.isEmpty())
            folders_.append(folder);
    }
}

const EvaluatedAnimation *AttachedAnimations::animation(std::string_view name) const
{
    const std::string key = lowerName(name);
    auto found = loaded_.find(key);
    if (found == loaded_.end()) {
        std::vector<std::filesystem::path> folders;
        for (const QString &folder : folders_)
            folders.push_back(qorqt::toPath(folder));
        Entry entry{findAttachedFile(folders, name), std::nullopt};
        if (!entry.path) {
            QStringList places;
            for (const QString &folder : folders_)
                places.append(QDir::toNativeSeparators(folder));
            noteProblem(QStringLiteral("no attached animation %1: looked for %2 in %3")
                            .arg(qorqt::fromName(name), qorqt::fromUtf8(attachedFileWords(name)),
                                 places.join(QStringLiteral(", "))));
        } else {
            LastLine log;
            if (const auto loaded = loadAnimation(*entry.path, log))
                entry.animation = evaluate(loaded->reanim);
            else
                noteProblem(QStringLiteral("attached animation %1 does not read: %2")
                                .arg(qorqt::shownPath(*entry.path), log.last));
        }
        found = loaded_.emplace(key, std::move(entry)).first;
    }
    return found->second.animation ? &*found->second.animation : nullptr;
}

QStringList AttachedAnimations::files() const
{
    QStringList paths;
    for (const auto &[name, entry] : loaded_) {
        if (entry.path)
            paths.append(qorqt::fromPath(*entry.path).value_or(qorqt::shownPath(*entry.path)));
    }
    return paths;
}

void AttachedAnimations::noteProblem(std::string_view line) const
{
    noteProblem(qorqt::fromUtf8(line));
}

void AttachedAnimations::noteProblem(const QString &text) const
{
    if (!problems_.contains(text))
        problems_.append(text);
}

} // namespace qor
