#include "core/container.h"
#include "testdata.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QStringList errLines;
};

Run runCli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(QORUTIL_CLI), arguments);
    process.waitForFinished(60000);
    Run run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.errLines = QString::fromLocal8Bit(process.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

} // namespace

class tst_Cli : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void decompilesAFolderInOneCall()
    {
        QDir(dir.path()).mkdir(QStringLiteral("batch"));
        const QStringList names{QStringLiteral("a.reanim.compiled"), QStringLiteral("b.reanim.compiled")};
        for (const QString &name : names)
            testdata::writeFile(path(QStringLiteral("batch/") + name), qor::frameBody(testdata::workedExampleBody()));
        testdata::writeFile(path(QStringLiteral("batch/notes.txt")), "not an animation");

        const Run run = runCli({QStringLiteral("decompile"), path(QStringLiteral("batch"))});
        QCOMPARE(run.exitCode, 0);
        for (const QString &name : {QStringLiteral("a"), QStringLiteral("b")})
            QCOMPARE(testdata::readFile(path(QStringLiteral("batch/") + name + QStringLiteral(".reanim"))),
                     testdata::workedExampleText);
        QVERIFY(run.errLines.contains(QLatin1String("Decompress [") + path(QStringLiteral("batch/a.reanim.compiled")) +
                                      QLatin1String("] ...")));
        QCOMPARE(run.errLines.last(), QStringLiteral("2 of 2 files converted"));
    }

    void compilesAndHonoursMinusO()
    {
        testdata::writeFile(path(QStringLiteral("walk.reanim")), testdata::workedExampleText);
        const Run run = runCli({QStringLiteral("compile"), QStringLiteral("-o"), path(QStringLiteral("out.bin")),
                                path(QStringLiteral("walk.reanim"))});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(testdata::readFile(path(QStringLiteral("out.bin"))), qor::frameBody(testdata::workedExampleBody()));
        // The same lines as the window's log, and no debug number among them.
        QCOMPARE(run.errLines, (QStringList{QStringLiteral("Read %1 44").arg(testdata::workedExampleText.size()),
                                            QLatin1String("Compile ") + path(QStringLiteral("walk.reanim")),
                                            QStringLiteral("anim 1"), QStringLiteral("Compress ..."),
                                            QLatin1String("Compiled finish [") + path(QStringLiteral("out.bin")) +
                                                QLatin1Char(']')}));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << "Usage: qorutil-cli";
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0 << "qorutil-cli 1.0";
        QTest::newRow("nothing") << QStringList{} << 2 << "no command";
        QTest::newRow("unknown command") << QStringList{QStringLiteral("explode")} << 2 << "unknown command";
        QTest::newRow("no file") << QStringList{QStringLiteral("compile")} << 2 << "no input file";
        QTest::newRow("unknown option") << QStringList{QStringLiteral("compile"), QStringLiteral("--fast"), QStringLiteral("x")}
                                        << 2 << "unknown option";
        QTest::newRow("-o without name") << QStringList{QStringLiteral("compile"), QStringLiteral("-o")} << 2 << "-o needs";
        QTest::newRow("missing file") << QStringList{QStringLiteral("decompile"), QStringLiteral("/no/such.reanim.compiled")}
                                      << 1 << "ERROR: incorrect header";
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, exitCode);
        const QString all = run.out + run.errLines.join(u'\n');
        QVERIFY2(all.contains(says), qPrintable(all));
    }

    void oneBadFileFailsTheBatchButNotTheOthers()
    {
        testdata::writeFile(path(QStringLiteral("good.reanim")), testdata::workedExampleText);
        testdata::writeFile(path(QStringLiteral("bad.reanim")), "<track><name>a&b</name></track>");
        const Run run = runCli({QStringLiteral("compile"), path(QStringLiteral("bad.reanim")), path(QStringLiteral("good.reanim"))});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(QFile::exists(path(QStringLiteral("good.reanim.compiled"))));
        QVERIFY(!QFile::exists(path(QStringLiteral("bad.reanim.compiled"))));
        QCOMPARE(run.errLines.last(), QStringLiteral("1 of 2 files converted"));
    }

    void minusOTakesOneInput()
    {
        const Run run = runCli({QStringLiteral("compile"), QStringLiteral("-o"), path(QStringLiteral("x")),
                                path(QStringLiteral("good.reanim")), path(QStringLiteral("walk.reanim"))});
        QCOMPARE(run.exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
