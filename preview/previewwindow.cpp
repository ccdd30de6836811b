#include "preview/previewwindow.h"

#include "core/fileconversions.h"
#include "core/outputfile.h"
#include "preview/canvas.h"
#include "preview/player.h"
#include "preview/trackpanel.h"
#include "qt/qtcore.h"
#include "render/picture.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int maxRecentFiles = 8;
constexpr int reloadDelayMs = 150; // lets an editor finish writing before the file is read
const double speeds[] = {0.25, 0.5, 1.0, 1.5, 2.0, 4.0};
const QString imageFolderKey = QStringLiteral("imageFolder");
const QString recentFilesKey = QStringLiteral("recentFiles");
const QString numberSheetsKey = QStringLiteral("numberSheets");

// Keeps the loader's lines; the last one says why a file did not read.
class LastLines : public qorqt::LogSink {
public:
    void logText(const QString &text) override { last = text; }
    QString last;
};

QToolButton *toolButton(const QString &text, const QString &tip, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

PreviewWindow::PreviewWindow(QWidget *parent)
    : QMainWindow(parent),
      settings_(std::make_unique<QSettings>(QStringLiteral("QORUtil"), QStringLiteral("qorutil-preview"))),
      images_(settings_->value(imageFolderKey).toString()), canvas_(new Canvas(this)), tracks_(new TrackPanel(this)),
      player_(new Player(this))
{
    setWindowTitle(tr("QORUtil Preview"));
    setAcceptDrops(true);
    buildControls();
    buildMenus();
    auto *dock = new QDockWidget(tr("Tracks"), this);
    dock->setObjectName(QStringLiteral("tracksDock"));
    dock->setWidget(tracks_);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    canvas_->setScene(&animation_, &images_);
    reloadDelay_.setSingleShot(true);
    reloadDelay_.setInterval(reloadDelayMs);
    connect(&reloadDelay_, &QTimer::timeout, this, &PreviewWindow::reload);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &reloadDelay_, qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!path_.isEmpty() && !watcher_.files().contains(path_) && QFileInfo::exists(path_))
            reloadDelay_.start(); // replaced by a rename, as many editors save
    });
    connect(player_, &Player::frameChanged, this, &PreviewWindow::showFrame);
    connect(tracks_, &TrackPanel::tracksChanged, this, &PreviewWindow::updateTracks);
    statusBar()->showMessage(tr("Open a compiled or text animation, or drop one here"));
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::buildControls()
{
    auto *bar = new QHBoxLayout;
    auto *first = toolButton(QStringLiteral("|<"), tr("First frame (Home)"), this);
    auto *back = toolButton(QStringLiteral("<"), tr("Previous frame (Left)"), this);
    playButton_ = toolButton(tr("Play"), tr("Play or pause (Space)"), this);
    auto *forward = toolButton(QStringLiteral(">"), tr("Next frame (Right)"), this);
    auto *last = toolButton(QStringLiteral(">|"), tr("Last frame (End)"), this);
    timeline_ = new QSlider(Qt::Horizontal, this);
    timeline_->setObjectName(QStringLiteral("timeline"));
    timeline_->setFocusPolicy(Qt::NoFocus);
    frameLabel_ = new QLabel(this);
    frameLabel_->setMinimumWidth(frameLabel_->fontMetrics().horizontalAdvance(QStringLiteral("Frame 00000 (0000/0000)")));
    auto *loop = new QCheckBox(tr("Loop"), this);
    loop->setChecked(true);
    loop->setFocusPolicy(Qt::NoFocus);
    speedChooser_ = new QComboBox(this);
    for (const double speed : speeds)
        speedChooser_->addItem(QString::number(speed) + u'x', speed);
    speedChooser_->setCurrentIndex(2);
    speedChooser_->setFocusPolicy(Qt::NoFocus);
    clipChooser_ = new QComboBox(this);
    clipChooser_->setObjectName(QStringLiteral("clipChooser"));
    clipChooser_->setFocusPolicy(Qt::NoFocus);
    clipChooser_->setMinimumContentsLength(12);
    for (QWidget *widget : std::initializer_list<QWidget *>{first, back, playButton_, forward, last})
        bar->addWidget(widget);
    bar->addWidget(timeline_, 1);
    for (QWidget *widget : std::initializer_list<QWidget *>{frameLabel_, loop, speedChooser_, clipChooser_})
        bar->addWidget(widget);

    connect(first, &QToolButton::clicked, player_, &Player::toFirst);
    connect(back, &QToolButton::clicked, player_, [this] { player_->step(-1); });
    connect(playButton_, &QToolButton::clicked, player_, &Player::togglePlaying);
    connect(forward, &QToolButton::clicked, player_, [this] { player_->step(1); });
    connect(last, &QToolButton::clicked, player_, &Player::toLast);
    connect(timeline_, &QSlider::valueChanged, player_,
            [this](int value) { player_->setFrame(player_->firstFrame() + value); });
    connect(loop, &QCheckBox::toggled, player_, &Player::setLoop);
    connect(speedChooser_, &QComboBox::currentIndexChanged, player_,
            [this] { player_->setSpeed(speedChooser_->currentData().toDouble()); });
    connect(clipChooser_, &QComboBox::currentIndexChanged, this, &PreviewWindow::chooseClip);
    connect(player_, &Player::playingChanged, playButton_,
            [this](bool playing) { playButton_->setText(playing ? tr("Pause") : tr("Play")); });

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(canvas_, 1);
    layout->addLayout(bar);
    setCentralWidget(central);
}

void PreviewWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open..."), QKeySequence::Open, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Open animation"), QFileInfo(path_).path(),
                                                          tr("Animations (*.reanim *.compiled);;All files (*)"));
        if (!path.isEmpty())
            openFile(path);
    });
    recentMenu_ = file->addMenu(tr("Open &Recent"));
    fillRecentMenu();
    file->addAction(tr("&Image Folder..."), this, &PreviewWindow::chooseImageFolder);
    file->addSeparator();
    file->addAction(tr("Export &Frame as PNG..."), QKeySequence(tr("Ctrl+E")), this, &PreviewWindow::exportFrame);
    file->addAction(tr("Export Clip as &Sheet PNG..."), QKeySequence(tr("Ctrl+Shift+E")), this,
                    &PreviewWindow::exportSheet);
    numberSheets_ = file->addAction(tr("&Number the Frames of Sheets"));
    numberSheets_->setCheckable(true);
    numberSheets_->setChecked(settings_->value(numberSheetsKey, false).toBool());
    connect(numberSheets_, &QAction::toggled, this, [this](bool on) { settings_->setValue(numberSheetsKey, on); });
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu *view = menuBar()->addMenu(tr("&View"));
    view->addAction(tr("&Fit to View"), QKeySequence(tr("F")), canvas_, &Canvas::fitToView);
    view->addAction(tr("Zoom &In"), QKeySequence::ZoomIn, this,
                    [this] { canvas_->zoomBy(1.25, QRectF(canvas_->rect()).center()); });
    view->addAction(tr("Zoom &Out"), QKeySequence::ZoomOut, this,
                    [this] { canvas_->zoomBy(0.8, QRectF(canvas_->rect()).center()); });
    QMenu *play = menuBar()->addMenu(tr("&Play"));
    play->addAction(tr("&Play / Pause"), QKeySequence(Qt::Key_Space), player_, &Player::togglePlaying);
    play->addAction(tr("&Next Frame"), QKeySequence(Qt::Key_Right), player_, [this] { player_->step(1); });
    play->addAction(tr("Pre&vious Frame"), QKeySequence(Qt::Key_Left), player_, [this] { player_->step(-1); });
    play->addAction(tr("&First Frame"), QKeySequence(Qt::Key_Home), player_, &Player::toFirst);
    play->addAction(tr("&Last Frame"), QKeySequence(Qt::Key_End), player_, &Player::toLast);
}

bool PreviewWindow::openFile(const QString &path)
{
    QString why;
    if (!load(path, &why)) {
        fail(tr("Could not open %1: %2").arg(QDir::toNativeSeparators(path), why));
        return false;
    }
    path_ = QFileInfo(path).absoluteFilePath();
    watch();
    rememberRecent(path_);
    setWindowTitle(tr("%1 - QORUtil Preview").arg(QFileInfo(path_).fileName()));
    player_->setRun(0, 0);
    showAnimation();
    canvas_->fitToView();
    statusBar()->showMessage(tr("Opened %1: %2 tracks, %3 frames at %4 fps")
                                 .arg(QDir::toNativeSeparators(path_))
                                 .arg(animation_.tracks.size())
                                 .arg(animation_.frameCount)
                                 .arg(double(animation_.fps)));
    return true;
}

bool PreviewWindow::load(const QString &path, QString *why)
{
    LastLines log;
    const auto loaded = qor::loadAnimation(qorqt::toPath(path), log);
    if (!loaded) {
        *why = log.last;
        return false;
    }
    animation_ = qor::evaluate(loaded->reanim);
    return true;
}

void PreviewWindow::reload()
{
    watch(); // a file replaced by a rename is a new file to the watcher
    QString why;
    if (!load(path_, &why)) {
        statusBar()->showMessage(tr("Keeping the last good animation; the file does not read: %1").arg(why));
        return;
    }
    showAnimation();
    statusBar()->showMessage(tr("Reloaded %1").arg(QDir::toNativeSeparators(path_)));
}

void PreviewWindow::watch()
{
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    if (QFileInfo::exists(path_))
        watcher_.addPath(path_);
    watcher_.addPath(QFileInfo(path_).absolutePath());
}

// Fills the clip chooser and track list from the animation, keeping the chosen clip by name.
void PreviewWindow::showAnimation()
{
    const QString kept = clipChooser_->currentIndex() > 0 ? clipChooser_->currentText() : QString();
    {
        const QSignalBlocker quiet(clipChooser_);
        clipChooser_->clear();
        clipChooser_->addItem(tr("Whole animation"));
        for (const qor::Clip &clip : animation_.clips)
            clipChooser_->addItem(qorqt::fromName(clip.name));
        const int index = kept.isEmpty() ? 0 : clipChooser_->findText(kept);
        clipChooser_->setCurrentIndex(std::max(index, 0));
    }
    player_->setFramesPerSecond(animation_.fps);
    tracks_->setTracks(animation_);
    chooseClip(clipChooser_->currentIndex());
}

qor::Clip PreviewWindow::currentClip() const
{
    const int index = clipChooser_->currentIndex();
    return index > 0 && size_t(index) <= animation_.clips.size() ? animation_.clips[size_t(index - 1)]
                                                                  : animation_.whole();
}

void PreviewWindow::chooseClip(int)
{
    const qor::Clip clip = currentClip();
    player_->setRun(clip.firstFrame, clip.frameCount);
    {
        const QSignalBlocker quiet(timeline_);
        timeline_->setRange(0, std::max(clip.frameCount - 1, 0));
    }
    showFrame();
}

void PreviewWindow::showFrame()
{
    const int frame = player_->frame();
    const qor::Clip clip = currentClip();
    {
        const QSignalBlocker quiet(timeline_);
        timeline_->setValue(frame - clip.firstFrame);
    }
    frameLabel_->setText(tr("Frame %1 (%2/%3)").arg(frame).arg(frame - clip.firstFrame + 1).arg(clip.frameCount));
    canvas_->setFrame(frame, clip);
    const int selected = tracks_->selectedTrack();
    tracks_->showValues(selected >= 0 ? animation_.state(size_t(selected), frame) : nullptr);
}

void PreviewWindow::updateTracks()
{
    canvas_->setOptions({tracks_->hiddenTracks()}, tracks_->selectedTrack());
    showFrame();
}

void PreviewWindow::rememberRecent(const QString &path)
{
    QStringList recent = settings_->value(recentFilesKey).toStringList();
    recent.removeAll(path);
    recent.prepend(path);
    settings_->setValue(recentFilesKey, QStringList(recent.mid(0, maxRecentFiles)));
    fillRecentMenu();
}

void PreviewWindow::fillRecentMenu()
{
    recentMenu_->clear();
    for (const QString &path : settings_->value(recentFilesKey).toStringList())
        recentMenu_->addAction(QDir::toNativeSeparators(path), this, [this, path] { openFile(path); });
    recentMenu_->setEnabled(!recentMenu_->isEmpty());
}

void PreviewWindow::setImageFolder(const QString &folder)
{
    settings_->setValue(imageFolderKey, folder);
    images_ = qor::ImageLibrary(folder);
    canvas_->update();
    statusBar()->showMessage(tr("Images from %1").arg(QDir::toNativeSeparators(folder)));
}

void PreviewWindow::chooseImageFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Image folder"), images_.folder());
    if (!folder.isEmpty())
        setImageFolder(folder);
}

void PreviewWindow::exportFrame()
{
    const qor::Framing framing = qor::clipFraming(animation_, currentClip(), images_, 1.0);
    savePicture(qor::renderFrame(animation_, player_->frame(), images_, framing, {tracks_->hiddenTracks()}),
                tr("frame %1").arg(player_->frame()));
}

void PreviewWindow::exportSheet()
{
    const qor::Clip clip = currentClip();
    const qor::Framing cell = qor::clipFraming(animation_, clip, images_, 1.0);
    savePicture(qor::renderSheet(animation_, clip, images_, cell, numberSheets_->isChecked(), {tracks_->hiddenTracks()}),
                tr("sheet of %1 frames").arg(clip.frameCount));
}

bool PreviewWindow::savePicture(const QImage &picture, const QString &what)
{
    if (picture.isNull()) {
        fail(tr("Nothing to export: the picture would be empty or too large"));
        return false;
    }
    const QString path = QFileDialog::getSaveFileName(this, tr("Export %1").arg(what), QFileInfo(path_).path(),
                                                      tr("PNG images (*.png)"));
    if (path.isEmpty())
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    LastLines log;
    if (!picture.save(&buffer, "PNG") || !qor::writeWholeFile(qorqt::toPath(path), qorqt::charsOf(bytes), log)) {
        fail(tr("Could not export %1: %2").arg(what, log.last));
        return false;
    }
    statusBar()->showMessage(tr("Exported %1 to %2").arg(what, QDir::toNativeSeparators(path)));
    return true;
}

// Said in the status bar and in a dialog that does not block, so the window stays usable.
void PreviewWindow::fail(const QString &message)
{
    statusBar()->showMessage(message);
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void PreviewWindow::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void PreviewWindow::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) {
        event->acceptProposedAction();
        openFile(urls.first().toLocalFile());
    }
}
