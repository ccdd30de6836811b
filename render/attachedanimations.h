#pragma once

#include "core/evaluated.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace qor {

// The animations a file's attachments name, found beside the file or in further folders by
// their names in any case, each read once when first asked for. What went wrong (a file not
// there or not readable, a clip not there, a cycle cut) is kept, each fact once.
class AttachedAnimations {
public:
    AttachedAnimations() = default;
    AttachedAnimations(const QString &path, const QStringList &moreFolders);

    // The name, lower case and without its ending, of the file drawn at the top: an
    // attachment of that name closes a cycle.
    const QByteArray &ownName() const { return ownName_; }
    const QStringList &folders() const { return folders_; }

    // The animation of that name, or null when no file of that name reads.
    const EvaluatedAnimation *animation(const QByteArray &name) const;
    // The files read so far.
    QStringList files() const;

    void noteProblem(const QString &text) const;
    const QStringList &problems() const { return problems_; }

private:
    struct Entry {
        QString path;
        std::optional<EvaluatedAnimation> animation;
    };

    QByteArray ownName_;
    QStringList folders_;
    mutable std::map<QByteArray, Entry> loaded_; // by lower-case name
    mutable QStringList problems_;
};

// A file's name without ".reanim.compiled" or ".reanim", lower case.
QByteArray animationName(const QString &path);

} // namespace qor
