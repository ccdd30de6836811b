#include "core/container.h"
#include "testdata.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_Cli : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    int exitCode = -1;
    QString said;
    QStringList errLines;

    QString path(const QString &name) const { return dir.filePath(name); }

    void runCli(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(QORUTIL_CLI), arguments);
        process.waitForFinished(60000);
        exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        said = QString::fromLocal8Bit(process.readAllStandardOutput()) + err;
        errLines = err.split(u'\n', Qt::SkipEmptyParts);
    }

private slots:
    void decompilesAFolderInOneCall()
    {
        QDir(dir.path()).mkdir(u"batch"_s);
        for (const char *name : {"batch/a.reanim.compiled", "batch/b.reanim.compiled"})
            testdata::writeFile(path(QLatin1String(name)), qor::frameBody(testdata::workedExampleBody()));
        testdata::writeFile(path(u"batch/notes.txt"_s), "not an animation");
        runCli({u"decompile"_s, path(u"batch"_s)});
        QCOMPARE(exitCode, 0);
        QCOMPARE(testdata::readFile(path(u"batch/a.reanim"_s)), testdata::workedExampleText);
        QCOMPARE(testdata::readFile(path(u"batch/b.reanim"_s)), testdata::workedExampleText);
        QVERIFY(errLines.contains(u"Decompress ["_s + path(u"batch/a.reanim.compiled"_s) + u"] ..."_s));
        QCOMPARE(errLines.last(), u"2 of 2 files converted"_s);
    }

    void compilesWithTheWindowsLogLines()
    {
        const QString in = path(u"walk.reanim"_s);
        testdata::writeFile(in, testdata::workedExampleText);
        runCli({u"compile"_s, u"-o"_s, path(u"out.bin"_s), in});
        QCOMPARE(exitCode, 0);
        QCOMPARE(testdata::readFile(path(u"out.bin"_s)), qor::frameBody(testdata::workedExampleBody()));
        QCOMPARE(errLines, (QStringList{u"Read %1 44"_s.arg(testdata::workedExampleText.size()), u"Compile "_s + in,
                                        u"anim 1"_s, u"Compress ..."_s,
                                        u"Compiled finish ["_s + path(u"out.bin"_s) + u']'}));
    }

    void oneBadFileFailsTheBatchButNotTheOthers()
    {
        testdata::writeFile(path(u"good.reanim"_s), testdata::workedExampleText);
        testdata::writeFile(path(u"bad.reanim"_s), "<track><name>a&b</name></track>");
        runCli({u"compile"_s, path(u"bad.reanim"_s), path(u"good.reanim"_s)});
        QCOMPARE(exitCode, 1);
        QVERIFY(QFile::exists(path(u"good.reanim.compiled"_s)));
        QVERIFY(!QFile::exists(path(u"bad.reanim.compiled"_s)));
        QCOMPARE(errLines.last(), u"1 of 2 files converted"_s);
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QTest::newRow("help") << QStringList{u"--help"_s} << 0 << u"Usage: qorutil-cli"_s;
        QTest::newRow("version") << QStringList{u"--version"_s} << 0 << u"qorutil-cli 1.0"_s;
        QTest::newRow("nothing") << QStringList{} << 2 << u"no command"_s;
        QTest::newRow("unknown command") << QStringList{u"explode"_s} << 2 << u"unknown command"_s;
        QTest::newRow("no file") << QStringList{u"compile"_s} << 2 << u"no input file"_s;
        QTest::newRow("unknown option") << QStringList{u"compile"_s, u"--fast"_s, u"x"_s} << 2 << u"unknown option"_s;
        QTest::newRow("-o without name") << QStringList{u"compile"_s, u"-o"_s} << 2 << u"-o needs"_s;
        QTest::newRow("-o with two inputs") << QStringList{u"compile"_s, u"-o"_s, u"x"_s, u"a"_s, u"b"_s} << 2
                                            << u"-o"_s;
        QTest::newRow("missing file") << QStringList{u"decompile"_s, u"/no/such.reanim.compiled"_s} << 1
                                      << u"ERROR: incorrect header"_s;
    }

    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, says);
        runCli(arguments);
        QCOMPARE(exitCode, code);
        QVERIFY2(said.contains(says), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
