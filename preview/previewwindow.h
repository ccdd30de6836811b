#pragma once

#include "core/evaluated.h"
#include "render/imagelibrary.h"

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QTimer>

class Canvas;
class Player;
class TrackPanel;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSettings;
class QSlider;
class QToolButton;

// The preview program's window: plays, scrubs and exports one animation file, and reloads
// it when it changes on disk.
class PreviewWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit PreviewWindow(QWidget *parent = nullptr);
    ~PreviewWindow() override;

    // Opens a compiled or text file, told apart by content; on failure the window keeps
    // what it showed and says why in the status bar and a dialog.
    bool openFile(const QString &path);
    void setImageFolder(const QString &folder);

    const qor::EvaluatedAnimation &animation() const { return animation_; }
    const QString &filePath() const { return path_; }
    Player &player() const { return *player_; }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    bool load(const QString &path, QString *why);
    void reload();
    void watch();
    void showAnimation();
    void chooseClip(int index);
    void showFrame();
    void updateTracks();
    qor::Clip currentClip() const;
    void rememberRecent(const QString &path);
    void fillRecentMenu();
    void chooseImageFolder();
    void exportFrame();
    void exportSheet();
    bool savePicture(const QImage &picture, const QString &what);
    void fail(const QString &message);

    std::unique_ptr<QSettings> settings_;
    qor::EvaluatedAnimation animation_;
    qor::ImageLibrary images_;
    QString path_;
    QFileSystemWatcher watcher_;
    QTimer reloadDelay_;

    Canvas *canvas_;
    TrackPanel *tracks_;
    Player *player_;
    QSlider *timeline_ = nullptr;
    QLabel *frameLabel_ = nullptr;
    QComboBox *clipChooser_ = nullptr;
    QComboBox *speedChooser_ = nullptr;
    QToolButton *playButton_ = nullptr;
    QMenu *recentMenu_ = nullptr;
    QAction *numberSheets_ = nullptr;
};
