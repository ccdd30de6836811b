#include "app/frmmain.h"

#include "app/about.h"
#include "app/filedialog.h"
#include "core/files/fileconversions.h"
#include "core/files/folderwalk.h"
#include "core/files/namerules.h"
#include "core/files/outputname.h"
#include "qt/qtcore.h"
#include "ui_frmmain.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>

namespace {

constexpr int logRotationLimit = 1000;

// Adds `text` as the pane's last paragraph, always as plain text, so a name or a path that
// looks like markup is shown as written. The first message of an empty pane takes its
// empty first paragraph.
void appendParagraph(QTextEdit *pane, const QString &text, const QColor &color, bool paneHasLines)
{
    QTextCharFormat format;
    format.setForeground(color);
    QTextCursor end(pane->document());
    end.movePosition(QTextCursor::End);
    if (!pane->document()->isEmpty() || paneHasLines)
        end.insertBlock(QTextBlockFormat(), format);
    end.insertText(text, format);
}

QString decompiledPathFor(const QString &path)
{
    return qorqt::fromPath(qor::decompiledPathFor(qorqt::toPath(path))).value_or(path + qorqt::fromName(qor::textSuffix));
}

QString compiledPathFor(const QString &path)
{
    return path + qorqt::fromName(qor::compiledSuffix);
}

bool isLocalFileDrag(const QMimeData *data)
{
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl &url) { return url.isLocalFile(); });
}

QString qtPath(const std::filesystem::path &path)
{
    return qorqt::fromPath(path).value_or(qorqt::shownPath(path));
}

} // namespace

frmMain::frmMain(QWidget *parent) : QMainWindow(parent), ui(std::make_unique<Ui::frmMain>())
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("QORUtil " QORUTIL_VERSION));
    rememberLastSource(QStringLiteral(""));
    loadingSettings = true;
    readSettings();
    readOptions();
    loadingSettings = false;
    setAcceptDrops(true);
    // The log pane would take a file drag as text to paste; the whole window converts it.
    ui->txtDebug->setAcceptDrops(false);
}

frmMain::~frmMain() = default;

void frmMain::appendLog(const QString &text, const QColor &color)
{
    QTextEdit *pane = ui->txtDebug;
    pane->setTextColor(color);
    const bool followEnd = pane->textCursor().atEnd();
    if (logLineCount > logRotationLimit) {
        pane->clear();
        logLineCount = 0;
        appendParagraph(pane, QStringLiteral("..."), color, false);
    }
    appendParagraph(pane, text, color, logLineCount > 0);
    ++logLineCount;
    if (followEnd)
        pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

void frmMain::logLine(const QString &text)
{
    appendLog(text, QColor(Qt::black));
}

void frmMain::logLine(std::string_view text)
{
    logLine(qorqt::fromUtf8(text));
}

void frmMain::rememberLastSource(const QString &path)
{
    if (lastSource != path)
        lastSource = path;
    ui->actionReCompile->setEnabled(!lastSource.isEmpty());
}

void frmMain::decompressFile(QString inPath, QString outPath)
{
    qor::decompileFile(qorqt::toPath(inPath), qorqt::toPath(outPath), *this);
}

void frmMain::compileReanim(QString inPath, QString outPath)
{
    qor::CompileDetails details;
    const bool compiled =
        qor::compileFile(qorqt::toPath(inPath), qorqt::toPath(outPath), *this, qor::Flush::ToDisk, &details);
    // The length of each body made goes to the debug channel, as it always has.
    if (details.bodySize > 0)
        qDebug().noquote() << details.bodySize;
    if (compiled)
        rememberLastSource(inPath);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    writeSettings();
    writeOptions();
    event->accept();
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (isLocalFileDrag(event->mimeData()))
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event)
{
    for (const QString &path : inputsOfDrop(event->mimeData()->urls()))
        convertByName(path);
    event->acceptProposedAction();
}

// Every dropped file counts, convertible or not, so that each one shows in the log; a folder
// adds only its convertible files. Sorted and without repeats, the same drop always runs alike.
QStringList frmMain::inputsOfDrop(const QList<QUrl> &urls)
{
    QStringList inputs;
    for (const QUrl &url : urls) {
        const QString path = url.toLocalFile();
        if (path.isEmpty())
            logLine(QLatin1String("Ignored ") + url.toDisplayString() + QLatin1String(": not a local file"));
        else if (!QFileInfo(path).isDir())
            inputs.append(path);
        else
            inputs += convertibleFilesIn(path);
    }
    inputs.sort();
    inputs.removeDuplicates();
    return inputs;
}

// The convertible files below `folder`, as every folder walk of the program finds them (see
// qor::walkFolder); what could not be looked at, or a folder without any, is said in the log.
QStringList frmMain::convertibleFilesIn(const QString &folder)
{
    const qor::FolderWalk walk = qor::walkFolder(qorqt::toPath(folder), {std::string(qor::compiledSuffix),
                                                                         std::string(qor::textSuffix)});
    for (const qor::WalkFailure &failure : walk.failures)
        logLine(QLatin1String("Ignored ") + qtPath(failure.path) + QLatin1String(": ") + qorqt::fromUtf8(failure.reason));
    if (walk.files.empty() && walk.failures.empty())
        logLine(QLatin1String("Ignored ") + folder + QLatin1String(": no .compiled or .reanim file in it"));
    QStringList files;
    for (const qor::WalkedFile &found : walk.files)
        files.append(qtPath(found.file));
    return files;
}

// By the name's suffix, in any case, as a folder walk takes names.
void frmMain::convertByName(const QString &path)
{
    const auto kind = qor::kindByName(qorqt::toPath(path).filename().string());
    if (kind == qor::FileKind::Compiled)
        decompressFile(path, decompiledPathFor(path));
    else if (kind == qor::FileKind::Text)
        compileReanim(path, compiledPathFor(path));
    else
        logLine(QLatin1String("Ignored ") + path + QLatin1String(": not a .compiled or .reanim file"));
}

void frmMain::on_actionAbout_triggered()
{
    about::showInstance();
}

void frmMain::on_actionReCompile_triggered()
{
    if (lastSource.isEmpty())
        return;
    compileReanim(lastSource, compiledPathFor(lastSource));
}

void frmMain::on_actionCompile_triggered()
{
    const QString path = askOpenFileName(this, QStringLiteral("Open *.reanim"), QStringLiteral("."),
                                         tr("Qor reanim (*.reanim)"));
    if (path.isNull())
        return;
    compileReanim(path, compiledPathFor(path));
}

void frmMain::on_actionTest_triggered() {}

void frmMain::on_actionDecompile_triggered()
{
    const QString path = askOpenFileName(this, QStringLiteral("Open *.compiled"), QStringLiteral("."),
                                         tr("Qor compiled (*.compiled)"));
    if (path.isNull())
        return;
    decompressFile(path, decompiledPathFor(path));
}
