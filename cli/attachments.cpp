#include "cli/attachments.h"

#include "core/attachment.h"

#include <QFileInfo>

namespace cli {

namespace {

// Keeps nothing: a file that does not read is check's own report.
class Quiet : public qor::LogSink {
public:
    void logLine(const QString &) override {}
};

QString latin1(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

} // namespace

QJsonArray attachmentsJson(const qor::Reanim &reanim)
{
    QJsonArray list;
    for (const qor::Attachment &attachment : qor::attachmentsOf(reanim)) {
        QJsonArray tags;
        for (const QByteArray &tag : attachment.tags)
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

QStringList missingAttachments(const QString &path, const QByteArray &bytes, qor::FileKind kind)
{
    // Most files attach nothing; a text says so without being read.
    if (kind == qor::FileKind::Text && !bytes.contains("attacher__"))
        return {};
    Quiet quiet;
    const auto loaded = qor::decodeAnimation(bytes, kind, quiet);
    if (!loaded)
        return {};
    QStringList missing;
    const QStringList beside{QFileInfo(path).absolutePath()};
    for (const qor::Attachment &attachment : qor::attachmentsOf(loaded->reanim)) {
        const QString looked = qor::attachedFileNames(attachment.name).join(QLatin1String(" or "));
        if (qor::findAttachedFile(beside, attachment.name).isEmpty() && !missing.contains(looked))
            missing.append(looked);
    }
    for (QString &each : missing)
        each = QLatin1String("attached animation not beside it: no ") + each;
    return missing;
}

} // namespace cli
