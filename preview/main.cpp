// qorutil-preview [FILE]: plays an animation file and reloads it when it changes.
#include "preview/previewwindow.h"
#include "qt/windowarguments.h"

#include <QApplication>

namespace {

qorqt::WindowProgram preview()
{
    return {QStringLiteral("qorutil-preview"),
            QStringLiteral(
                "Plays a game animation, a compiled reanim file (.reanim.compiled) or reanim XML text\n"
                "(.reanim), told apart by its content. The wheel zooms, dragging pans, F fits the clip;\n"
                "Space plays and pauses, Left and Right step a frame. The file is read again when it\n"
                "changes on disk. The File menu exports the frame or a clip's sheet as PNG, and a clip\n"
                "or every clip as an animated WebP or GIF.\n"
                "The image folder is kept in ~/.config/QORUtil/qorutil-preview.conf."),
            QStringLiteral("The animation to play (optional)."), QStringLiteral("plays one file at a time")};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setOrganizationName(QStringLiteral("QORUtil"));
    QCoreApplication::setApplicationName(QStringLiteral("qorutil-preview"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QORUTIL_VERSION));
    if (const auto status = qorqt::answerBeforeApplication(preview(), argc, argv))
        return *status;
    QApplication application(argc, argv);
    QString file;
    if (const auto status = qorqt::answerAfterApplication(preview(), &file))
        return *status;
    // The window is gone before the application object, as Qt requires.
    return [&application, &file] {
        PreviewWindow window;
        window.show();
        if (!file.isEmpty())
            window.openFile(file);
        return application.exec();
    }();
}
