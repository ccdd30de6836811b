#pragma once

#include "core/scene/evaluated.h"
#include "core/scene/scene.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// The animations a file's attachments name, found beside the file or in further folders by
// their names in any case, each read once when first asked for. What went wrong (a file not
// there or not readable, a clip not there, a cycle cut) is kept, each fact once.
class AttachedAnimations : public AnimationSource {
public:
    AttachedAnimations() = default;
    AttachedAnimations(const QString &path, const QStringList &moreFolders);

    // The name (Latin-1 bytes), lower case and without its ending, of the file drawn at the
    // top: an attachment of that name closes a cycle.
    const std::string &ownName() const { return ownName_; }
    std::string topName() const override { return ownName_; }
    const QStringList &folders() const { return folders_; }

    // The animation of that name, or null when no file of that name reads.
    const EvaluatedAnimation *animation(std::string_view name) const override;
    // The files read so far.
    QStringList files() const;

    void noteProblem(std::string_view line) const override;
    void noteProblem(const QString &text) const;
    const QStringList &problems() const { return problems_; }

private:
    struct Entry {
        std::optional<std::filesystem::path> path;
        std::optional<EvaluatedAnimation> animation;
    };

    std::string ownName_;
    QStringList folders_;
    mutable std::map<std::string, Entry, std::less<>> loaded_; // by lower-case name
    mutable QStringList problems_;
};

// A file's name without ".reanim.compiled" or ".reanim", lower case, as Latin-1 bytes.
std::string animationName(const QString &path);

} // namespace qor
