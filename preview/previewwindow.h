#pragma once

#include "core/scene/evaluated.h"
#include "render/animatedimage.h"
#include "render/attachedanimations.h"
#include "render/framepainter.h"
#include "render/imagelibrary.h"

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QTimer>

#include <memory>

class Canvas;
class Player;
class Timeline;
class TrackPanel;
class QAction;
class QComboBox;
class QDockWidget;
class QLabel;
class QListWidget;
class QMenu;
class QSettings;
class QSpinBox;
class QToolButton;

// The preview program's window: plays, scrubs and exports one animation file with the
// animations it attaches, and reloads it and its images when they change on disk.
class PreviewWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit PreviewWindow(QWidget *parent = nullptr);
    ~PreviewWindow() override;

    // Opens a compiled or text file, told apart by content, on its first clip (or its first
    // frame that shows anything) fitted to the view; on failure the window keeps what it
    // showed and says why in the status bar and a dialog.
    bool openFile(const QString &path);
    void setImageFolder(const QString &folder);
    // A further folder where attached animations are looked for, after the file's own.
    void setAnimationFolder(const QString &folder);

    const qor::EvaluatedAnimation &animation() const { return animation_; }
    const qor::ImageLibrary &images() const { return images_; }
    const QString &filePath() const { return path_; }
    Player &player() const { return *player_; }
    qor::Clip currentClip() const;
    // What could not be drawn: images and attachments, one line each.
    QStringList problems() const;

    // Writes the current clip as an animation, every clip as sheets or animations into a
    // folder (format empty: sheets), without asking; false after saying why.
    bool exportAnimation(const QString &path);
    bool exportAllClips(const QString &folder, const QString &suffix);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void buildViewMenu();
    void restoreWindow();
    bool load(const QString &path, QString *why);
    void reload();
    void reloadImages();
    void watch();
    void showAnimation();
    void showStart();
    void chooseClip(int index);
    void goToFrame(int frame);
    void showFrame();
    void updateTracks();
    void updateProblems();
    qor::DrawOptions drawOptions() const;
    void rememberRecent(const QString &path);
    void fillRecentMenu();
    void chooseImageFolder();
    void chooseAnimationFolder();
    void chooseBackground(bool checkers);
    void exportFrame();
    void exportSheet();
    void exportClipAnimation();
    void exportEveryClip();
    void showKeys();
    QString askSavePath(const QString &what, const QString &suggested, const QString &filter);
    bool writeFile(const QString &path, const QByteArray &bytes, const QString &what);
    bool writeSheet(const qor::Clip &clip, const QString &path);
    bool savePicture(const QImage &picture, const QString &what, const QString &suggested);
    void fail(const QString &message);

    std::unique_ptr<QSettings> settings_;
    qor::EvaluatedAnimation animation_;
    qor::ImageLibrary images_;
    qor::AttachedAnimations attached_;
    QString path_;
    QFileSystemWatcher watcher_;
    QTimer reloadDelay_;
    QTimer imageReloadDelay_;

    Canvas *canvas_;
    TrackPanel *tracks_;
    Player *player_;
    QDockWidget *tracksDock_ = nullptr;
    QDockWidget *problemsDock_ = nullptr;
    QListWidget *problemList_ = nullptr;
    Timeline *timeline_ = nullptr;
    QSpinBox *frameField_ = nullptr;
    QLabel *frameLabel_ = nullptr;
    QLabel *zoomLabel_ = nullptr;
    QComboBox *clipChooser_ = nullptr;
    QComboBox *speedChooser_ = nullptr;
    QToolButton *playButton_ = nullptr;
    QMenu *recentMenu_ = nullptr;
    QAction *numberSheets_ = nullptr;
};
