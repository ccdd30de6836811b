#include "coreadapter.h"
#include "app/filedialog.h"
#include "app/frmmain.h"
#include "core/format/container.h"
#include "testdata.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QtEndian>
#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

QTextEdit *pane(frmMain &window)
{
    return window.findChild<QTextEdit *>(u"txtDebug"_s);
}

// The messages in the pane. The counter is shared by every window of the process, so a
// window other than the first may start with one empty paragraph.
QStringList messages(frmMain &window)
{
    QStringList lines = pane(window)->toPlainText().split(u'\n');
    if (!lines.isEmpty() && lines.first().isEmpty())
        lines.removeFirst();
    return lines;
}

QAction *action(frmMain &window, const char *name)
{
    return window.findChild<QAction *>(QLatin1String(name));
}

QByteArray compiledAtFps30()
{
    QByteArray body = qtdata::workedExampleBody();
    qToLittleEndian(30.0f, body.data() + 12);
    return testcore::wrap(body);
}

const QByteArray fps30Text = QByteArray(qtdata::workedExampleText).replace("<fps>12</fps>", "<fps>30</fps>");

} // namespace

class tst_Window : public QObject {
    Q_OBJECT

    const QByteArray compiledBytes = testcore::wrap(qtdata::workedExampleBody());

    std::optional<qtdata::WorkingFolder> dir;
    QStringList captions;
    QString answer;

    QString path(const QString &name) const { return dir->filePath(name); }

    void run(frmMain &window, const char *command, const QString &chosen)
    {
        answer = chosen;
        action(window, command)->trigger();
    }

    // Every file under the working folder, relative, without entering linked folders.
    QStringList filesBelow() const
    {
        QStringList files;
        QDirIterator entries(dir->path(), QDir::Files, QDirIterator::Subdirectories);
        while (entries.hasNext())
            files << QDir(dir->path()).relativeFilePath(entries.next());
        files.sort();
        return files;
    }

    // The log of one drop step: "decompile NAME" or "compile NAME" with the core's lines, or
    // any other line with NAME, its second word, made absolute.
    QStringList logOf(const QString &step) const
    {
        const QString verb = step.section(u' ', 0, 0);
        const QString name = step.section(u' ', 1).section(u':', 0, 0);
        const QString file = path(name);
        if (verb == u"decompile"_s)
            return {u"Read %1 44"_s.arg(compiledBytes.size()), u"Decompress ["_s + file + u"] ..."_s,
                    u"Decompile finish ["_s + file.chopped(9) + u']'};
        if (verb == u"compile"_s)
            return {u"Read %1 44"_s.arg(qtdata::workedExampleText.size()), u"Compile "_s + file,
                    u"anim 1"_s, u"Compress ..."_s, u"Compiled finish ["_s + file + u".compiled]"_s};
        return {QString(step).replace(name, file)};
    }

private slots:
    void init()
    {
        QVERIFY(dir.emplace().entered);
        captions.clear();
        setOpenFileDialog([this](QWidget *, const QString &caption, const QString &folder, const QString &filter) {
            captions << caption + u'|' + folder + u'|' + filter;
            return answer;
        });
    }

    void cleanup()
    {
        setOpenFileDialog({});
        dir.reset();
    }

    // Finds the next rotation first, whatever earlier windows logged, then counts from it.
    void logRotatesAboveAThousandLines()
    {
        frmMain window;
        int calls = 0;
        while (pane(window)->document()->firstBlock().text() != u"..."_s) {
            QVERIFY(calls < 1100);
            window.logLine(u"fill %1"_s.arg(calls++));
        }
        for (int i = 0; i < 1000; ++i)
            window.logFormat("line %d", i);
        const QStringList full = messages(window);
        QCOMPARE(full.size(), 1002);
        QCOMPARE(full.mid(0, 3), (QStringList{u"..."_s, u"fill %1"_s.arg(calls - 1), u"line 0"_s}));
        window.logLine(u"after"_s);
        QCOMPARE(messages(window), (QStringList{u"..."_s, u"after"_s}));
    }

    void messagesShowAsWritten_data()
    {
        QTest::addColumn<bool>("formatted");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("shown");
        QByteArray longText(1500, 'a');
        QTest::newRow("empty line") << false << QByteArray() << QString();
        QTest::newRow("cut at 1023") << true << longText << QString::fromLatin1(longText.left(1023));
        QTest::newRow("Latin-1") << true << QByteArray("\xE9\xFF\x80") << u"\u00E9\u00FF\u0080"_s;
        QTest::newRow("markup formatted") << true << QByteArray("<b>x</b> <img src=y>") << u"<b>x</b> <img src=y>"_s;
        QTest::newRow("markup line") << false << QByteArray("<font color=red>a &amp;</font>")
                                     << u"<font color=red>a &amp;</font>"_s;
    }

    void messagesShowAsWritten()
    {
        QFETCH(bool, formatted);
        QFETCH(QByteArray, input);
        QFETCH(QString, shown);
        frmMain window;
        pane(window)->setTextColor(Qt::red);
        window.logLine(u"first"_s);
        if (formatted)
            window.logFormat("%s", input.constData());
        else
            window.logLine(QString::fromLatin1(input));
        QTextDocument *document = pane(window)->document();
        QCOMPARE(document->lastBlock().text(), shown);
        QCOMPARE(document->lastBlock().previous().text(), u"first"_s);
        QVERIFY(!document->toRawText().contains(QChar::ObjectReplacementCharacter));
        for (auto it = document->lastBlock().begin(); !it.atEnd(); ++it)
            QCOMPARE(it.fragment().charFormat().foreground().color(), QColor(Qt::black));
    }

    void decompileAndCompileThroughTheDialog()
    {
        const QString compiled = path(u"x.reanim.compiled/walk.reanim.compiled"_s);
        const QString text = path(u"x.reanim.compiled/walk.reanim"_s);
        QVERIFY(QDir().mkpath(QFileInfo(compiled).path()));
        qtdata::writeFile(compiled, compiledBytes);
        frmMain window;
        run(window, "actionDecompile", compiled);
        QCOMPARE(qtdata::readFile(text), qtdata::workedExampleText);
        const QStringList decompiled = logOf(u"decompile x.reanim.compiled/walk.reanim.compiled"_s);
        QCOMPARE(messages(window), decompiled);
        QVERIFY(!action(window, "actionReCompile")->isEnabled());

        QFile::remove(compiled);
        run(window, "actionCompile", text);
        QCOMPARE(captions, (QStringList{u"Open *.compiled|.|Qor compiled (*.compiled)"_s,
                                        u"Open *.reanim|.|Qor reanim (*.reanim)"_s}));
        QCOMPARE(qtdata::readFile(text + u".compiled"_s), compiledBytes);
        QCOMPARE(messages(window), decompiled + logOf(u"compile x.reanim.compiled/walk.reanim"_s));

        // ReCompile reads the same text again without asking.
        qtdata::writeFile(text, fps30Text);
        action(window, "actionReCompile")->trigger();
        QCOMPARE(captions.size(), 2);
        QCOMPARE(qtdata::readFile(text + u".compiled"_s), compiledAtFps30());
    }

    void dropConvertsByName_data()
    {
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("files, in path order") << QStringList{u"b.reanim"_s, u"a.reanim.compiled"_s}
                                              << QStringList{u"decompile a.reanim.compiled"_s, u"compile b.reanim"_s};
        QTest::newRow("folder at any depth, each file once")
            << QStringList{u"d"_s, u"b.reanim"_s, u"d/c.reanim"_s}
            << QStringList{u"compile b.reanim"_s, u"compile d/c.reanim"_s, u"decompile d/deep/e.reanim.compiled"_s};
        QTest::newRow("a suffix in any case, as every folder walk takes it")
            << QStringList{u"f"_s, u"W.REANIM.COMPILED"_s} << QStringList{u"decompile W.REANIM.COMPILED"_s, u"compile f/W.REANIM"_s};
        QTest::newRow("nothing to convert")
            << QStringList{u"notes.txt"_s, u"empty"_s}
            << QStringList{u"Ignored empty: no .compiled or .reanim file in it"_s,
                           u"Ignored notes.txt: not a .compiled or .reanim file"_s};
    }

    // One tree for every drop; the linked folder "d/link" holds a text that must stay unconverted.
    void dropConvertsByName()
    {
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, steps);
        const QStringList tree{u"a.reanim.compiled"_s, u"b.reanim"_s, u"notes.txt"_s, u"d/c.reanim"_s,
                               u"d/deep/e.reanim.compiled"_s, u"d/readme.txt"_s, u"elsewhere/z.reanim"_s,
                               u"f/W.REANIM"_s, u"W.REANIM.COMPILED"_s};
        for (const QString &name : tree) {
            QVERIFY(QDir().mkpath(QFileInfo(path(name)).path()));
            qtdata::writeFile(path(name), name.endsWith(u".compiled"_s, Qt::CaseInsensitive) ? compiledBytes : qtdata::workedExampleText);
        }
        QVERIFY(QDir().mkpath(path(u"empty"_s)));
#ifdef Q_OS_UNIX
        QVERIFY(QFile::link(path(u"elsewhere"_s), path(u"d/link"_s)));
#endif
        frmMain window;
        QVERIFY(window.acceptDrops());
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &name : dropped)
            urls << QUrl::fromLocalFile(path(name));
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);

        QStringList log;
        QStringList files = tree;
        for (const QString &step : steps) {
            log += logOf(step);
            const QString name = step.section(u' ', 1);
            if (step.startsWith(u"decompile"_s)) {
                files << name.chopped(9);
                QCOMPARE(qtdata::readFile(path(files.last())), qtdata::workedExampleText);
            } else if (step.startsWith(u"compile"_s)) {
                files << name + u".compiled"_s;
                QCOMPARE(qtdata::readFile(path(files.last())), compiledBytes);
            }
        }
        QCOMPARE(messages(window), log);
        files.sort();
        QCOMPARE(filesBelow(), files);
    }

    void commandsThatDoNothing_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("dialogs");
        QTest::newRow("cancelled Decompile") << QByteArray("actionDecompile") << 1;
        QTest::newRow("cancelled Compile") << QByteArray("actionCompile") << 1;
        QTest::newRow("Test") << QByteArray("actionTest") << 0;
        QTest::newRow("ReCompile before any Compile") << QByteArray("actionReCompile") << 0;
    }

    void commandsThatDoNothing()
    {
        QFETCH(QByteArray, command);
        QFETCH(int, dialogs);
        qtdata::writeFile(path(u"walk.reanim"_s), qtdata::workedExampleText);
        frmMain window;
        run(window, command.constData(), QString());
        QCOMPARE(captions.size(), dialogs);
        QCOMPARE(pane(window)->toPlainText().trimmed(), QString());
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{u"walk.reanim"_s});
    }

    // The log lines of failed runs are the core's; here the window must keep its ReCompile source.
    void failedCompileKeepsTheReCompileSource_data()
    {
        QTest::addColumn<QByteArray>("badText");
        QTest::addColumn<bool>("earlierCompile");
        QTest::newRow("missing, first") << QByteArray() << false;
        QTest::newRow("missing, after a compile") << QByteArray() << true;
        QTest::newRow("unparsable, after a compile") << QByteArray("<t>&</t>") << true;
    }

    void failedCompileKeepsTheReCompileSource()
    {
        QFETCH(QByteArray, badText);
        QFETCH(bool, earlierCompile);
        const QString good = path(u"good.reanim"_s);
        const QString bad = path(u"walk.reanim"_s);
        qtdata::writeFile(good, qtdata::workedExampleText);
        if (!badText.isEmpty())
            qtdata::writeFile(bad, badText);
        frmMain window;
        if (earlierCompile)
            run(window, "actionCompile", good);
        run(window, "actionCompile", bad);
        QVERIFY(!QFile::exists(bad + u".compiled"_s));
        QCOMPARE(action(window, "actionReCompile")->isEnabled(), earlierCompile);
        qtdata::writeFile(good, fps30Text);
        action(window, "actionReCompile")->trigger();
        QCOMPARE(qtdata::readFile(good + u".compiled"_s), earlierCompile ? compiledAtFps30() : QByteArray());
    }
};

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
