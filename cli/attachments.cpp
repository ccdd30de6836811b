#include "cli/attachments.h"

#include <algorithm>

#include "core/files/attachedfile.h"
#include "core/scene/attachment.h"
#include "qt/qtcore.h"

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace cli {

namespace {

QString latin1(std::string_view bytes)
{
    return qorqt::fromName(bytes);
}

} // namespace

QJsonArray attachmentsJson(const qor::Reanim &reanim)
{
    QJsonArray list;
    for (const qor::Attachment &attachment : qor::attachmentsOf(reanim)) {
        QJsonArray tags;
        for (const std::string &tag : attachment.tags)
            tags.append(latin1(tag));
        list.append(QJsonObject{{QStringLiteral("name"), latin1(attachment.name)},
                                {QStringLiteral("clip"), latin1(attachment.clip)},
                                {QStringLiteral("tags"), tags}});
    }
    return list;
}

QString attachmentsText(const QJsonObject &file)
{
    QString text;
    for (const QJsonValue &attachment : file[QLatin1String("attachments")].toArray()) {
        QStringList tags;
        for (const QJsonValue &tag : attachment[QLatin1String("tags")].toArray())
            tags.append(u'[' + tag.toString() + u']');
        const QString clip = attachment[QLatin1String("clip")].toString();
        text += QString::fromLatin1("  attaches \"%1\"%2%3\n")
                    .arg(attachment[QLatin1String("name")].toString(),
                         clip.isEmpty() ? QString() : QLatin1String(", clip \"") + clip + u'"',
                         tags.isEmpty() ? QString() : QLatin1String(", tags ") + tags.join(QString()));
    }
    return text;
}

QStringList missingAttachments(const std::filesystem::path &path, const qor::WalkableFile &file)
{
    // The distinct texts of the frames, walked rather than modelled, so a large file costs no
    // more memory here than check already spends on it.
    struct Texts {
        bool header(float, std::uint32_t) { return true; }
        bool beginTrack(std::uint32_t, std::string_view, std::uint32_t) { return true; }
        bool frame(std::uint32_t, std::uint32_t, const qor::BodyFrame &values)
        {
            const std::string_view text = values.text.substr(0, values.text.find('\0'));
            if (text.starts_with("attacher__") && std::find(seen.begin(), seen.end(), text) == seen.end())
                seen.emplace_back(text);
            return true;
        }
        bool endTrack(std::uint32_t) { return true; }
        std::vector<std::string> seen;
    } texts;
    file.walk(texts);
    QStringList missing;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    const std::vector<std::filesystem::path> beside{(error ? path : absolute).parent_path()};
    for (const std::string &text : texts.seen) {
        const auto attachment = qor::parseAttachment(text);
        if (!attachment)
            continue;
        QStringList names;
        for (const std::string &name : qor::attachedFileNames(attachment->name))
            names.append(latin1(name));
        const QString looked = names.join(QLatin1String(" or "));
        if (!qor::findAttachedFile(beside, attachment->name) && !missing.contains(looked))
            missing.append(looked);
    }
    for (QString &each : missing)
        each = QLatin1String("attached animation not beside it: no ") + each;
    return missing;
}

} // namespace cli
