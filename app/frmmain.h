#pragma once

#include "core/format/logsink.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QUrl>

#include <memory>
#include <string_view>

class QAction;

namespace Ui {
class frmMain;
}

// The main window: menus and toolbar for the commands, the Output Window log, and the log
// sink of every conversion it starts.
class frmMain : public QMainWindow, public qor::LogSink {
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The log: one black paragraph per message, shown exactly as written.
    void appendLog(const QString &text, const QColor &color);
    void logLine(const QString &text);
    void logLine(std::string_view text) override;
    using LogSink::logFormat;

    // Remembers the source of the last finished compile; ReCompile is enabled while it is set.
    void rememberLastSource(const QString &path);

    // The converters, reporting into the log.
    void decompressFile(QString inPath, QString outPath);
    void compileReanim(QString inPath, QString outPath);

    // Window state in "formState.ini".
    void readSettings();
    void writeSettings();

    // Checked state of option actions (whatsThis "ini") in "qorutil.ini".
    void collectIniActions();
    void readOptions();
    void writeOptions();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    // Files and folders dropped on the window are converted, in path order.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private slots:
    void on_actionAbout_triggered();
    void on_actionReCompile_triggered();
    void on_actionCompile_triggered();
    void on_actionTest_triggered();
    void on_actionDecompile_triggered();

private:
    // Converts one file by its name as the menu commands would: ".compiled" decompiles,
    // ".reanim" compiles (in any case), anything else is logged as ignored.
    void convertByName(const QString &path);
    // The files a drop stands for, in the order they are converted.
    QStringList inputsOfDrop(const QList<QUrl> &urls);
    // The convertible files below a dropped folder.
    QStringList convertibleFilesIn(const QString &folder);

    QList<QAction *> iniActions;
    // Messages appended since start or since the last rotation.
    int logLineCount = 0;
    bool loadingSettings = false;
    QString lastSource;
    std::unique_ptr<Ui::frmMain> ui;
};
