#include "preview/previewwindow.h"

#include "core/files/fileconversions.h"
#include "core/files/outputfile.h"
#include "core/scene/opening.h"
#include "preview/canvas.h"
#include "preview/player.h"
#include "preview/timeline.h"
#include "preview/trackpanel.h"
#include "qt/qtcore.h"
#include "render/picture.h"

#include <QAction>
#include <QActionGroup>
#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int maxRecentFiles = 8;
constexpr int reloadDelayMs = 150; // lets an editor finish writing before the file is read
constexpr QSize firstSize(1000, 700);
constexpr double screenShare = 0.9; // of the screen's free area, at most, for the first size
const double speeds[] = {0.25, 0.5, 1.0, 1.5, 2.0, 4.0};
const QString imageFolderKey = QStringLiteral("imageFolder");
const QString animationFolderKey = QStringLiteral("animationFolder");
const QString recentFilesKey = QStringLiteral("recentFiles");
const QString numberSheetsKey = QStringLiteral("numberSheets");
const QString geometryKey = QStringLiteral("window/geometry");
const QString stateKey = QStringLiteral("window/state");
const QString backgroundKey = QStringLiteral("view/background");

// The keys, as Help > Keys lists them; the menus give the same.
const char *const keyList[][2] = {
    {"Space", "play or pause"},
    {"Left / Right", "previous / next frame"},
    {"Home / End", "first / last frame of the clip"},
    {"F", "fit the clip to the view"},
    {"1", "zoom to 100 %"},
    {"Ctrl++ / Ctrl+-", "zoom in / out (or the wheel, about the cursor)"},
    {"A", "origin axes"},
    {"B", "the clip's bounding box"},
    {"O", "onion skin: the frames before and after, faint"},
    {"Ctrl+O", "open a file"},
    {"Ctrl+E", "export the frame as PNG"},
    {"Ctrl+Shift+E", "export the clip as a sheet PNG"},
    {"Ctrl+Alt+E", "export the clip as an animated WebP or GIF"},
    {"Ctrl+Q", "quit"},
};

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

// The path with `suffix` added when it ends in none of `suffixes`.
QString withSuffix(const QString &path, const QStringList &suffixes, const QString &suffix)
{
    for (const QString &each : suffixes) {
        if (path.endsWith(u'.' + each, Qt::CaseInsensitive))
            return path;
    }
    return path + u'.' + suffix;
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
    tracksDock_ = new QDockWidget(tr("Tracks"), this);
    tracksDock_->setObjectName(QStringLiteral("tracksDock"));
    tracksDock_->setWidget(tracks_);
    addDockWidget(Qt::RightDockWidgetArea, tracksDock_);
    problemList_ = new QListWidget(this);
    problemList_->setObjectName(QStringLiteral("problemList"));
    problemsDock_ = new QDockWidget(tr("Problems"), this);
    problemsDock_->setObjectName(QStringLiteral("problemsDock"));
    problemsDock_->setWidget(problemList_);
    addDockWidget(Qt::BottomDockWidgetArea, problemsDock_);
    problemsDock_->hide();
    buildControls();
    buildMenus();
    canvas_->setScene(&animation_, &images_, &attached_);
    canvas_->setBackground(settings_->value(backgroundKey).value<QColor>());
    reloadDelay_.setSingleShot(true);
    reloadDelay_.setInterval(reloadDelayMs);
    imageReloadDelay_.setSingleShot(true);
    imageReloadDelay_.setInterval(reloadDelayMs);
    connect(&reloadDelay_, &QTimer::timeout, this, &PreviewWindow::reload);
    connect(&imageReloadDelay_, &QTimer::timeout, this, &PreviewWindow::reloadImages);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this](const QString &changed) {
        if (changed == path_ || attached_.files().contains(changed))
            reloadDelay_.start();
        else
            imageReloadDelay_.start();
    });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString &folder) {
        if (QDir(folder) == QDir(images_.folder()))
            imageReloadDelay_.start(); // an image added, removed or replaced by a rename
        if (!path_.isEmpty() && QDir(folder) == QFileInfo(path_).absoluteDir())
            reloadDelay_.start();      // the file replaced by a rename, as many editors save, or an attachment
    });
    connect(player_, &Player::frameChanged, this, &PreviewWindow::showFrame);
    connect(tracks_, &TrackPanel::tracksChanged, this, &PreviewWindow::updateTracks);
    connect(tracksDock_, &QDockWidget::visibilityChanged, this, &PreviewWindow::updateTracks);
    restoreWindow();
    statusBar()->showMessage(tr("Open a compiled or text animation, or drop one here"));
}

PreviewWindow::~PreviewWindow()
{
    // Closing hides the panels after this window's members are gone: nothing may answer.
    tracksDock_->disconnect(this);
}

// The place, size and panels of the last run; the first time, a size that fits the screen.
void PreviewWindow::restoreWindow()
{
    if (restoreGeometry(settings_->value(geometryKey).toByteArray())) {
        restoreState(settings_->value(stateKey).toByteArray());
        return;
    }
    const QScreen *screen = this->screen();
    const QSize room = screen ? screen->availableGeometry().size() * screenShare : firstSize;
    resize(firstSize.boundedTo(room));
}

void PreviewWindow::closeEvent(QCloseEvent *event)
{
    settings_->setValue(geometryKey, saveGeometry());
    settings_->setValue(stateKey, saveState());
    QMainWindow::closeEvent(event);
}

void PreviewWindow::buildControls()
{
    timeline_ = new Timeline(this);
    timeline_->setObjectName(QStringLiteral("timeline"));
    frameField_ = new QSpinBox(this);
    frameField_->setObjectName(QStringLiteral("frameField"));
    frameField_->setToolTip(tr("The frame of the animation to show"));
    frameField_->setKeyboardTracking(false);
    auto *timeRow = new QHBoxLayout;
    timeRow->addWidget(timeline_, 1);
    timeRow->addWidget(frameField_);

    auto *bar = new QHBoxLayout;
    auto *first = toolButton(QStringLiteral("|<"), tr("First frame (Home)"), this);
    auto *back = toolButton(QStringLiteral("<"), tr("Previous frame (Left)"), this);
    playButton_ = toolButton(tr("Play"), tr("Play or pause (Space)"), this);
    auto *forward = toolButton(QStringLiteral(">"), tr("Next frame (Right)"), this);
    auto *last = toolButton(QStringLiteral(">|"), tr("Last frame (End)"), this);
    frameLabel_ = new QLabel(this);
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
    clipChooser_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    clipChooser_->setMinimumContentsLength(12);
    for (QWidget *widget : std::initializer_list<QWidget *>{first, back, playButton_, forward, last, frameLabel_})
        bar->addWidget(widget);
    bar->addStretch(1);
    for (QWidget *widget : std::initializer_list<QWidget *>{loop, speedChooser_, clipChooser_})
        bar->addWidget(widget);

    connect(first, &QToolButton::clicked, player_, &Player::toFirst);
    connect(back, &QToolButton::clicked, player_, [this] { player_->step(-1); });
    connect(playButton_, &QToolButton::clicked, player_, &Player::togglePlaying);
    connect(forward, &QToolButton::clicked, player_, [this] { player_->step(1); });
    connect(last, &QToolButton::clicked, player_, &Player::toLast);
    connect(timeline_, &Timeline::frameChosen, this, &PreviewWindow::goToFrame);
    connect(frameField_, &QSpinBox::valueChanged, this, &PreviewWindow::goToFrame);
    connect(loop, &QCheckBox::toggled, player_, &Player::setLoop);
    connect(speedChooser_, &QComboBox::currentIndexChanged, player_,
            [this] { player_->setSpeed(speedChooser_->currentData().toDouble()); });
    connect(clipChooser_, &QComboBox::currentIndexChanged, this, [this](int index) {
        chooseClip(index);
        canvas_->fitToView();
    });
    connect(player_, &Player::playingChanged, playButton_,
            [this](bool playing) { playButton_->setText(playing ? tr("Pause") : tr("Play")); });

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(canvas_, 1);
    layout->addLayout(timeRow);
    layout->addLayout(bar);
    setCentralWidget(central);
    zoomLabel_ = new QLabel(this);
    statusBar()->addPermanentWidget(zoomLabel_);
    connect(canvas_, &Canvas::zoomChanged, zoomLabel_,
            [this](double zoom) { zoomLabel_->setText(tr("Zoom %1 %").arg(qRound(zoom * 100))); });
    zoomLabel_->setText(tr("Zoom %1 %").arg(100));
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
    file->addAction(tr("&Attached Animations Folder..."), this, &PreviewWindow::chooseAnimationFolder);
    file->addSeparator();
    file->addAction(tr("Export &Frame as PNG..."), QKeySequence(tr("Ctrl+E")), this, &PreviewWindow::exportFrame);
    file->addAction(tr("Export Clip as &Sheet PNG..."), QKeySequence(tr("Ctrl+Shift+E")), this,
                    &PreviewWindow::exportSheet);
    file->addAction(tr("Export Clip as &Animation..."), QKeySequence(tr("Ctrl+Alt+E")), this,
                    &PreviewWindow::exportClipAnimation);
    file->addAction(tr("Export &Every Clip..."), this, &PreviewWindow::exportEveryClip);
    numberSheets_ = file->addAction(tr("&Number the Frames of Sheets"));
    numberSheets_->setCheckable(true);
    numberSheets_->setChecked(settings_->value(numberSheetsKey, false).toBool());
    connect(numberSheets_, &QAction::toggled, this, [this](bool on) { settings_->setValue(numberSheetsKey, on); });
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    buildViewMenu();
    QMenu *play = menuBar()->addMenu(tr("&Play"));
    play->addAction(tr("&Play / Pause"), QKeySequence(Qt::Key_Space), player_, &Player::togglePlaying);
    play->addAction(tr("&Next Frame"), QKeySequence(Qt::Key_Right), player_, [this] { player_->step(1); });
    play->addAction(tr("Pre&vious Frame"), QKeySequence(Qt::Key_Left), player_, [this] { player_->step(-1); });
    play->addAction(tr("&First Frame"), QKeySequence(Qt::Key_Home), player_, &Player::toFirst);
    play->addAction(tr("&Last Frame"), QKeySequence(Qt::Key_End), player_, &Player::toLast);
    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&Keys"), QKeySequence::HelpContents, this, &PreviewWindow::showKeys);
}

void PreviewWindow::buildViewMenu()
{
    QMenu *view = menuBar()->addMenu(tr("&View"));
    view->addAction(tr("&Fit to View"), QKeySequence(tr("F")), canvas_, &Canvas::fitToView);
    view->addAction(tr("&Zoom 100 %"), QKeySequence(tr("1")), this, [this] { canvas_->zoomTo(1.0); });
    view->addAction(tr("Zoom &In"), QKeySequence::ZoomIn, this,
                    [this] { canvas_->zoomBy(1.25, QRectF(canvas_->rect()).center()); });
    view->addAction(tr("Zoom &Out"), QKeySequence::ZoomOut, this,
                    [this] { canvas_->zoomBy(0.8, QRectF(canvas_->rect()).center()); });
    view->addSeparator();
    const auto toggle = [&](const QString &text, const QString &key, void (Canvas::*set)(bool)) {
        QAction *action = view->addAction(text);
        action->setShortcut(QKeySequence(key));
        action->setCheckable(true);
        connect(action, &QAction::toggled, canvas_, set);
        return action;
    };
    toggle(tr("Origin &Axes"), tr("A"), &Canvas::setShowAxes);
    toggle(tr("Clip &Bounding Box"), tr("B"), &Canvas::setShowBounds);
    toggle(tr("&Onion Skin"), tr("O"), &Canvas::setOnionSkin);
    QMenu *background = view->addMenu(tr("Bac&kground"));
    background->addAction(tr("&Checkers"), this, [this] { chooseBackground(true); });
    background->addAction(tr("C&olour..."), this, [this] { chooseBackground(false); });
    view->addSeparator();
    view->addAction(tracksDock_->toggleViewAction());
    view->addAction(problemsDock_->toggleViewAction());
}

void PreviewWindow::chooseBackground(bool checkers)
{
    QColor colour;
    if (!checkers) {
        colour = QColorDialog::getColor(canvas_->background().isValid() ? canvas_->background() : Qt::white, this,
                                        tr("Background"));
        if (!colour.isValid())
            return;
    }
    canvas_->setBackground(colour);
    settings_->setValue(backgroundKey, colour);
}

void PreviewWindow::showKeys()
{
    QString text = QStringLiteral("<table>");
    for (const auto &[key, what] : keyList)
        text += QStringLiteral("<tr><td><b>%1</b>&nbsp;&nbsp;</td><td>%2</td></tr>")
                    .arg(QLatin1String(key).toString().toHtmlEscaped(), tr(what));
    text += QStringLiteral("</table>");
    auto *box = new QMessageBox(QMessageBox::NoIcon, tr("Keys"), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool PreviewWindow::openFile(const QString &path)
{
    QString why;
    if (!load(path, &why)) {
        fail(tr("Could not open %1: %2").arg(QDir::toNativeSeparators(path), why));
        return false;
    }
    path_ = QFileInfo(path).absoluteFilePath();
    attached_ = qor::AttachedAnimations(path_, {settings_->value(animationFolderKey).toString()});
    rememberRecent(path_);
    setWindowTitle(tr("%1 - QORUtil Preview").arg(QFileInfo(path_).fileName()));
    {
        const QSignalBlocker quiet(clipChooser_);
        clipChooser_->clear(); // a new file starts on its own first clip
    }
    player_->setRun(0, 0);
    showAnimation();
    showStart();
    watch();
    statusBar()->showMessage(tr("Opened %1: %2 tracks, %3 frames at %4 fps")
                                 .arg(QDir::toNativeSeparators(path_))
                                 .arg(animation_.tracks.size())
                                 .arg(animation_.frameCount)
                                 .arg(double(animation_.fps)));
    return true;
}

// Where the core says a file opens (its first clip, else the first frame that shows anything), fitted.
void PreviewWindow::showStart()
{
    const qor::OpeningView opening = qor::openingView(animation_, images_, &attached_);
    if (opening.clip) {
        const int index = int(*opening.clip) + 1; // after "Whole animation"
        const QSignalBlocker quiet(clipChooser_);
        clipChooser_->setCurrentIndex(index);
        chooseClip(index);
    }
    player_->setFrame(opening.frame);
    canvas_->fitToView();
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
    QString why;
    if (!load(path_, &why)) {
        watch();
        statusBar()->showMessage(tr("Keeping the last good animation; the file does not read: %1").arg(why));
        return;
    }
    images_ = qor::ImageLibrary(images_.folder());
    attached_ = qor::AttachedAnimations(path_, {settings_->value(animationFolderKey).toString()});
    showAnimation();
    watch(); // a file replaced by a rename is a new file to the watcher
    statusBar()->showMessage(tr("Reloaded %1").arg(QDir::toNativeSeparators(path_)));
}

void PreviewWindow::reloadImages()
{
    images_ = qor::ImageLibrary(images_.folder());
    watch();
    showFrame();
    canvas_->update();
}

// The file, its folder, the image folder and its images, and the attached files.
void PreviewWindow::watch()
{
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    QStringList paths = images_.files() + attached_.files();
    for (const QString &path : {path_, QFileInfo(path_).absolutePath(), images_.folder()}) {
        if (!path.isEmpty())
            paths.append(path);
    }
    paths.removeIf([](const QString &path) { return !QFileInfo::exists(path); });
    paths.removeDuplicates();
    if (!paths.isEmpty())
        watcher_.addPaths(paths);
}

// Fills the clip chooser, timeline and track list from the animation, keeping the chosen
// clip by name.
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
    timeline_->setAnimation(animation_.frameCount, animation_.clips);
    {
        const QSignalBlocker quiet(frameField_);
        frameField_->setRange(0, std::max(animation_.frameCount - 1, 0));
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
    timeline_->setRun(clip.firstFrame, clip.frameCount);
    showFrame();
}

// A frame outside the clip playing is one of the whole animation.
void PreviewWindow::goToFrame(int frame)
{
    const qor::Clip clip = currentClip();
    if (frame < clip.firstFrame || frame >= clip.firstFrame + clip.frameCount)
        clipChooser_->setCurrentIndex(0);
    player_->setFrame(frame);
}

void PreviewWindow::showFrame()
{
    const int frame = player_->frame();
    const qor::Clip clip = currentClip();
    timeline_->setFrame(frame);
    {
        const QSignalBlocker quiet(frameField_);
        frameField_->setValue(frame);
    }
    frameLabel_->setText(tr("Frame %1 (%2/%3)").arg(frame).arg(frame - clip.firstFrame + 1).arg(clip.frameCount));
    canvas_->setFrame(frame, clip);
    tracks_->showFrame(animation_, frame);
    // The problems of what this frame draws are met when it is drawn.
    QTimer::singleShot(0, this, &PreviewWindow::updateProblems);
}

void PreviewWindow::updateTracks()
{
    // The outline belongs to the panel: no panel, no outline.
    canvas_->setTracks(tracks_->hiddenTracks(), tracksDock_->isVisible() ? tracks_->selectedTrack() : -1);
    showFrame();
}

QStringList PreviewWindow::problems() const
{
    QStringList lines = attached_.problems();
    for (const QString &failure : images_.failures())
        lines.append(tr("image %1").arg(failure));
    return lines;
}

void PreviewWindow::updateProblems()
{
    const QStringList lines = problems();
    if (lines.size() == problemList_->count())
        return;
    const bool newAttachmentProblem = attached_.problems().size() > 0
                                      && !problemList_->findItems(attached_.problems().last(), Qt::MatchExactly).size();
    if (problemList_->count() == 0 && !lines.isEmpty() && problemsDock_->isHidden()) {
        // The first problems show themselves, in a few lines under the canvas.
        problemsDock_->show();
        resizeDocks({problemsDock_}, {problemList_->fontMetrics().height() * 5}, Qt::Vertical);
    }
    problemList_->clear();
    problemList_->addItems(lines);
    problemsDock_->setWindowTitle(tr("Problems (%1)").arg(lines.size()));
    if (newAttachmentProblem)
        statusBar()->showMessage(attached_.problems().last());
}

qor::DrawOptions PreviewWindow::drawOptions() const
{
    return {tracks_->hiddenTracks(), &attached_};
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
    problemList_->clear();
    watch();
    showFrame();
    statusBar()->showMessage(tr("Images from %1").arg(QDir::toNativeSeparators(folder)));
}

void PreviewWindow::setAnimationFolder(const QString &folder)
{
    settings_->setValue(animationFolderKey, folder);
    if (!path_.isEmpty())
        reload();
}

void PreviewWindow::chooseImageFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Image folder"), images_.folder());
    if (!folder.isEmpty())
        setImageFolder(folder);
}

void PreviewWindow::chooseAnimationFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Folder of attached animations"),
                                                             settings_->value(animationFolderKey).toString());
    if (!folder.isEmpty())
        setAnimationFolder(folder);
}

QString PreviewWindow::askSavePath(const QString &what, const QString &suggested, const QString &filter)
{
    return QFileDialog::getSaveFileName(this, tr("Export %1").arg(what),
                                        QFileInfo(path_).absoluteDir().filePath(suggested), filter);
}

bool PreviewWindow::writeFile(const QString &path, const QByteArray &bytes, const QString &what)
{
    LastLines log;
    if (!qor::writeWholeFile(qorqt::toPath(path), qorqt::charsOf(bytes), log)) {
        fail(tr("Could not export %1: %2").arg(what, log.last));
        return false;
    }
    return true;
}

void PreviewWindow::exportFrame()
{
    const qor::Framing framing = qor::clipFraming(animation_, currentClip(), images_, 1.0, &attached_);
    const int frame = player_->frame() - currentClip().firstFrame;
    const QString suggested =
        qor::clipFileName(path_, currentClip().name, QStringLiteral("png")).chopped(4) + QStringLiteral("-%1.png").arg(frame);
    savePicture(qor::renderFrame(animation_, player_->frame(), images_, framing, drawOptions()),
                tr("frame %1").arg(player_->frame()), suggested);
}

bool PreviewWindow::writeSheet(const qor::Clip &clip, const QString &path)
{
    const qor::Framing cell = qor::clipFraming(animation_, clip, images_, 1.0, &attached_);
    const qor::SheetLayout layout{.numbered = numberSheets_->isChecked()};
    const QImage sheet = qor::renderSheet(animation_, clip, images_, cell, layout, drawOptions());
    if (sheet.isNull()) {
        fail(tr("Nothing to export: the picture would be empty or too large"));
        return false;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QString what = tr("sheet of %1 frames").arg(clip.frameCount);
    return sheet.save(&buffer, "PNG") && writeFile(path, bytes, what)
           && writeFile(qor::sheetDescriptionPath(path), qor::sheetDescription(clip, cell, layout, sheet.size()), what);
}

void PreviewWindow::exportSheet()
{
    const qor::Clip clip = currentClip();
    const QString what = tr("sheet of %1 frames").arg(clip.frameCount);
    QString path = askSavePath(what, qor::clipFileName(path_, clip.name, QStringLiteral("png")).chopped(4)
                                         + QStringLiteral("-sheet.png"),
                               tr("PNG images (*.png)"));
    if (path.isEmpty())
        return;
    path = withSuffix(path, {QStringLiteral("png")}, QStringLiteral("png"));
    if (writeSheet(clip, path))
        statusBar()->showMessage(tr("Exported %1 to %2").arg(what, QDir::toNativeSeparators(path)));
}

bool PreviewWindow::exportAnimation(const QString &path)
{
    const auto format = qor::animatedFormatOf(path);
    const qor::Clip clip = currentClip();
    const qor::Framing framing = qor::clipFraming(animation_, clip, images_, 1.0, &attached_);
    const std::vector<QImage> frames =
        qor::renderClipFrames(animation_, clip, images_, framing, drawOptions(), Qt::transparent);
    QString why = tr("the picture would be empty or too large");
    const QByteArray bytes = format && !frames.empty()
                                 ? qor::encodeAnimation(frames, double(animation_.fps), *format, &why)
                                 : QByteArray();
    if (bytes.isEmpty()) {
        fail(tr("Could not export %1: %2").arg(QDir::toNativeSeparators(path), why));
        return false;
    }
    if (!writeFile(path, bytes, tr("the animation")))
        return false;
    statusBar()->showMessage(tr("Exported %1 frames to %2").arg(frames.size()).arg(QDir::toNativeSeparators(path)));
    return true;
}

void PreviewWindow::exportClipAnimation()
{
    const QString path = askSavePath(tr("clip as animation"), qor::clipFileName(path_, currentClip().name, QStringLiteral("webp")),
                               tr("Animated WebP (*.webp);;Animated GIF (*.gif)"));
    if (path.isEmpty())
        return;
    exportAnimation(withSuffix(path, {QStringLiteral("webp"), QStringLiteral("gif")}, QStringLiteral("webp")));
}

bool PreviewWindow::exportAllClips(const QString &folder, const QString &suffix)
{
    const std::vector<qor::Clip> clips =
        animation_.clips.empty() ? std::vector<qor::Clip>{animation_.whole()} : animation_.clips;
    const int chosen = clipChooser_->currentIndex();
    bool written = true;
    for (size_t n = 0; n < clips.size() && written; ++n) {
        const QString path = QDir(folder).filePath(qor::clipFileName(path_, clips[n].name, suffix));
        if (suffix == u"png") {
            written = writeSheet(clips[n], path);
        } else {
            const QSignalBlocker quiet(clipChooser_);
            clipChooser_->setCurrentIndex(animation_.clips.empty() ? 0 : int(n) + 1);
            written = exportAnimation(path);
        }
    }
    {
        const QSignalBlocker quiet(clipChooser_);
        clipChooser_->setCurrentIndex(chosen);
    }
    if (written)
        statusBar()->showMessage(
            tr("Exported %1 clips to %2").arg(clips.size()).arg(QDir::toNativeSeparators(folder)));
    return written;
}

void PreviewWindow::exportEveryClip()
{
    const QStringList forms = {tr("Sheets (PNG)"), tr("Animated WebP"), tr("Animated GIF")};
    bool chosen = false;
    const QString form = QInputDialog::getItem(this, tr("Export every clip"), tr("Each clip as"), forms, 0, false, &chosen);
    if (!chosen)
        return;
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Export every clip into"),
                                                             QFileInfo(path_).absolutePath());
    if (!folder.isEmpty())
        exportAllClips(folder, QStringList{QStringLiteral("png"), QStringLiteral("webp"), QStringLiteral("gif")}
                                   .at(forms.indexOf(form)));
}

bool PreviewWindow::savePicture(const QImage &picture, const QString &what, const QString &suggested)
{
    if (picture.isNull()) {
        fail(tr("Nothing to export: the picture would be empty or too large"));
        return false;
    }
    QString path = askSavePath(what, suggested, tr("PNG images (*.png)"));
    if (path.isEmpty())
        return false;
    path = withSuffix(path, {QStringLiteral("png")}, QStringLiteral("png"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG") || !writeFile(path, bytes, what))
        return false;
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
