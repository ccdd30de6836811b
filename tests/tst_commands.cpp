#include "app/filedialog.h"
#include "app/frmmain.h"
#include "core/container.h"
#include "testdata.h"

#include <QAction>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct DialogCall {
    QWidget *parent;
    QString caption;
    QString folder;
    QString filter;
};

// The inflated body of a compiled file, read back from disk and taken apart by hand.
QByteArray bodyOfCompiledFile(const QString &path)
{
    const QByteArray data = testdata::readFile(path);
    if (data.size() < 8)
        return "<too short>";
    QByteArray prefixed = data.mid(4, 4);
    std::reverse(prefixed.begin(), prefixed.end());
    return qUncompress(prefixed + data.mid(8));
}

QByteArray withFps(QByteArray body, char fps)
{
    body[20] = fps;
    return body;
}

const QByteArray fps30Text = QByteArray(testdata::workedExampleText).replace("<fps>12</fps>", "<fps>30</fps>");

} // namespace

class tst_Commands : public QObject {
    Q_OBJECT

private:
    QString startFolder = QDir::currentPath();
    std::unique_ptr<QTemporaryDir> dir;
    QList<DialogCall> calls;
    QString answer;

    QString path(const QString &name) const { return dir->filePath(name); }

    static QAction *action(frmMain &window, const char *name)
    {
        return window.findChild<QAction *>(QLatin1String(name));
    }

    // The messages in the pane. The message counter is shared by every window of the
    // process, so a window other than the first may start with one empty paragraph.
    static QStringList messages(frmMain &window)
    {
        const QString text = window.findChild<QTextEdit *>(QStringLiteral("txtDebug"))->toPlainText();
        if (text.isEmpty())
            return {};
        QStringList lines = text.split(QLatin1Char('\n'));
        if (lines.first().isEmpty())
            lines.removeFirst();
        return lines;
    }

    QStringList filesInDir() const
    {
        QStringList files;
        QDirIterator it(dir->path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(dir->path()).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    void answerWith(const QString &file) { answer = file; }

    void compile(frmMain &window, const QString &file)
    {
        answerWith(file);
        action(window, "actionCompile")->trigger();
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir::setCurrent(dir->path()));
        calls.clear();
        answer.clear();
        setOpenFileDialog([this](QWidget *parent, const QString &caption, const QString &folder, const QString &filter) {
            calls.append({parent, caption, folder, filter});
            return answer;
        });
    }

    void cleanup()
    {
        setOpenFileDialog({});
        QDir::setCurrent(startFolder);
        dir.reset();
    }

    void decompileWritesTheText()
    {
        const QString in = path(QStringLiteral("walk.reanim.compiled"));
        const QString out = path(QStringLiteral("walk.reanim"));
        const QByteArray compiled = qor::frameBody(testdata::workedExampleBody());
        testdata::writeFile(in, compiled);
        frmMain window;
        answerWith(in);
        action(window, "actionDecompile")->trigger();

        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().parent, &window);
        QCOMPARE(calls.first().caption, QStringLiteral("Open *.compiled"));
        QCOMPARE(calls.first().folder, QStringLiteral("."));
        QCOMPARE(calls.first().filter, QStringLiteral("Qor compiled (*.compiled)"));

        QCOMPARE(testdata::readFile(out), testdata::workedExampleText);
        QCOMPARE(testdata::readFile(in), compiled);
        QCOMPARE(messages(window), (QStringList{QStringLiteral("Read %1 44").arg(compiled.size()),
                                                QLatin1String("Decompress [") + in + QLatin1String("] ..."),
                                                QLatin1String("Decompile finish [") + out + QLatin1Char(']')}));
        QVERIFY(!action(window, "actionReCompile")->isEnabled());
    }

    void decompileNamesItsOutput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("folder named like a compiled file")
            << u"x.reanim.compiled/walk.reanim.compiled"_s << u"x.reanim.compiled/walk.reanim"_s;
        QTest::newRow("plain compiled") << u"walk.compiled"_s << u"walk.reanim"_s;
        QTest::newRow("reanim compiled") << u"walk.reanim.compiled"_s << u"walk.reanim"_s;
        QTest::newRow("already named reanim") << u"walk.reanim"_s << u"walk.reanim.reanim"_s;
        QTest::newRow("no extension") << u"walk"_s << u"walk.reanim"_s;
    }

    void decompileNamesItsOutput()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QVERIFY(QDir(dir->path()).mkpath(QFileInfo(path(input)).path()));
        const QByteArray compiled = qor::frameBody(testdata::workedExampleBody());
        testdata::writeFile(path(input), compiled);
        frmMain window;
        answerWith(path(input));
        action(window, "actionDecompile")->trigger();
        QCOMPARE(testdata::readFile(path(output)), testdata::workedExampleText);
        QCOMPARE(testdata::readFile(path(input)), compiled);
        QStringList expected{input, output};
        expected.sort();
        QCOMPARE(filesInDir(), expected);
    }

    void cancelAndTestDoNothing_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("dialogCalls");
        QTest::newRow("cancelled Decompile") << QByteArray("actionDecompile") << 1;
        QTest::newRow("cancelled Compile") << QByteArray("actionCompile") << 1;
        QTest::newRow("Test") << QByteArray("actionTest") << 0;
        QTest::newRow("ReCompile before any Compile") << QByteArray("actionReCompile") << 0;
    }

    void cancelAndTestDoNothing()
    {
        QFETCH(QByteArray, command);
        QFETCH(int, dialogCalls);
        testdata::writeFile(path(QStringLiteral("walk.reanim")), testdata::workedExampleText);
        testdata::writeFile(path(QStringLiteral("walk.reanim.compiled")),
                            qor::frameBody(testdata::workedExampleBody()));
        const QStringList before = filesInDir();
        frmMain window;
        answerWith(QString());
        action(window, command.constData())->trigger();
        QCOMPARE(calls.size(), dialogCalls);
        QVERIFY(messages(window).isEmpty());
        QCOMPARE(filesInDir(), before);
        QCOMPARE(testdata::readFile(path(QStringLiteral("walk.reanim"))), testdata::workedExampleText);
        QCOMPARE(testdata::readFile(path(QStringLiteral("walk.reanim.compiled"))),
                 qor::frameBody(testdata::workedExampleBody()));
        QVERIFY(!action(window, "actionReCompile")->isEnabled());
    }

    void compileThenReCompile()
    {
        const QString in = path(QStringLiteral("walk.reanim"));
        const QString out = path(QStringLiteral("walk.reanim.compiled"));
        testdata::writeFile(in, testdata::workedExampleText);
        frmMain window;
        compile(window, in);

        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().parent, &window);
        QCOMPARE(calls.first().caption, QStringLiteral("Open *.reanim"));
        QCOMPARE(calls.first().folder, QStringLiteral("."));
        QCOMPARE(calls.first().filter, QStringLiteral("Qor reanim (*.reanim)"));

        const QByteArray compiled = testdata::readFile(out);
        QCOMPARE(compiled.left(8), QByteArray::fromHex("D4FEADDE6B000000"));
        QCOMPARE(bodyOfCompiledFile(out), testdata::workedExampleBody());
        QCOMPARE(testdata::readFile(in), testdata::workedExampleText);
        QCOMPARE(messages(window).first(), QStringLiteral("Read %1 44").arg(testdata::workedExampleText.size()));
        QCOMPARE(messages(window).at(1), QLatin1String("Compile ") + in);
        QCOMPARE(messages(window).last(), QLatin1String("Compiled finish [") + out + QLatin1Char(']'));
        QVERIFY(action(window, "actionReCompile")->isEnabled());

        testdata::writeFile(in, fps30Text);
        calls.clear();
        action(window, "actionReCompile")->trigger();
        QCOMPARE(calls.size(), 0);
        QCOMPARE(bodyOfCompiledFile(out), withFps(testdata::workedExampleBody(), 30));
        QCOMPARE(messages(window).last(), QLatin1String("Compiled finish [") + out + QLatin1Char(']'));
        QVERIFY(action(window, "actionReCompile")->isEnabled());
    }

    void failedCompileKeepsTheReCompileSource_data()
    {
        QTest::addColumn<bool>("missing");
        QTest::addColumn<bool>("earlierCompile");
        QTest::newRow("missing input, first compile") << true << false;
        QTest::newRow("missing input after a compile") << true << true;
        QTest::newRow("unparsable input, first compile") << false << false;
        QTest::newRow("unparsable input after a compile") << false << true;
    }

    void failedCompileKeepsTheReCompileSource()
    {
        QFETCH(bool, missing);
        QFETCH(bool, earlierCompile);
        const QString good = path(QStringLiteral("good.reanim"));
        const QString bad = path(QStringLiteral("walk.reanim"));
        const QString badOut = path(QStringLiteral("walk.reanim.compiled"));
        const QByteArray oldBytes = "bytes from an earlier run";
        testdata::writeFile(badOut, oldBytes);
        testdata::writeFile(good, testdata::workedExampleText);
        if (!missing)
            testdata::writeFile(bad, "<track><name>a&b</name></track>");

        frmMain window;
        if (earlierCompile) {
            compile(window, good);
            QVERIFY(action(window, "actionReCompile")->isEnabled());
        }
        const qsizetype before = messages(window).size();
        compile(window, bad);
        const QStringList logged = messages(window).mid(before);
        if (missing) {
            QCOMPARE(logged, (QStringList{QLatin1String("File not found ") + bad, QLatin1String("Compile ") + bad,
                                          QStringLiteral("open fail")}));
        } else {
            QCOMPARE(logged.size(), 4);
            QCOMPARE(logged.at(1), QLatin1String("Compile ") + bad);
            QCOMPARE(logged.at(2), QStringLiteral("setcontent"));
            QVERIFY2(logged.at(3).startsWith(QLatin1String("ERROR:")), qPrintable(logged.at(3)));
        }
        QCOMPARE(testdata::readFile(badOut), oldBytes);
        QCOMPARE(action(window, "actionReCompile")->isEnabled(), earlierCompile);

        testdata::writeFile(good, fps30Text);
        calls.clear();
        action(window, "actionReCompile")->trigger();
        QCOMPARE(calls.size(), 0);
        QCOMPARE(testdata::readFile(badOut), oldBytes);
        if (earlierCompile)
            QCOMPARE(bodyOfCompiledFile(good + QLatin1String(".compiled")),
                     withFps(testdata::workedExampleBody(), 30));
        else
            QVERIFY(!QFile::exists(good + QLatin1String(".compiled")));
    }

    void decompileDoesNotChangeTheReCompileSource()
    {
        const QString source = path(QStringLiteral("walk.reanim"));
        const QString other = path(QStringLiteral("other.reanim.compiled"));
        const QByteArray otherBytes = qor::frameBody(testdata::workedExampleBody());
        testdata::writeFile(source, testdata::workedExampleText);
        testdata::writeFile(other, otherBytes);
        frmMain window;
        compile(window, source);
        answerWith(other);
        action(window, "actionDecompile")->trigger();
        QCOMPARE(testdata::readFile(path(QStringLiteral("other.reanim"))), testdata::workedExampleText);

        testdata::writeFile(source, fps30Text);
        calls.clear();
        action(window, "actionReCompile")->trigger();
        QCOMPARE(calls.size(), 0);
        QCOMPARE(bodyOfCompiledFile(source + QLatin1String(".compiled")), withFps(testdata::workedExampleBody(), 30));
        QCOMPARE(testdata::readFile(other), otherBytes);
        QVERIFY(!QFile::exists(path(QStringLiteral("other.reanim.compiled.compiled"))));
        QCOMPARE(messages(window).last(),
                 QLatin1String("Compiled finish [") + source + QLatin1String(".compiled]"));
    }
};

QTEST_MAIN(tst_Commands)
#include "tst_commands.moc"
