#include "coreadapter.h"
#include "core/bodyreader.h"
#include "core/container.h"
#include "recordinglog.h"
#include "testdata.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;
using testdata::Frame;
using testdata::Track;

// The command-line program end to end, on folders made here.
namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run runCli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(QORUTIL_CLI), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

// Every file below a folder, by relative path, with its bytes.
QMap<QString, QByteArray> treeOf(const QString &folder)
{
    QMap<QString, QByteArray> tree;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        tree.insert(QDir(folder).relativeFilePath(path), testdata::readFile(path));
    }
    return tree;
}

QByteArray randomBody(quint32 seed)
{
    QRandomGenerator random(seed);
    return testdata::buildBody(12.5f, testdata::randomTracks(random));
}

} // namespace

class tst_Cli : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }

    void write(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        testdata::writeFile(path(name), bytes);
    }

    // A mod folder: compiled files at several depths, a broken one among them, and a stray file.
    void makeTree(const QString &root)
    {
        write(root + u"/a.reanim.compiled"_s, testcore::wrap(testdata::workedExampleBody()));
        write(root + u"/sub/b.reanim.compiled"_s, testcore::wrap(randomBody(1)));
        write(root + u"/sub/broken.reanim.compiled"_s, "not compiled");
        write(root + u"/sub/deep/c.compiled"_s, testcore::wrap(randomBody(2)));
        write(root + u"/sub/notes.txt"_s, "notes");
    }

private slots:
    void batchesGiveTheSameTreeAndReportForAnyJobs()
    {
        makeTree(u"tree"_s);
        const Run one = runCli({u"decompile"_s, u"--jobs"_s, u"1"_s, u"--output-dir"_s, path(u"out1"_s), path(u"tree"_s)});
        const Run four = runCli({u"decompile"_s, u"-j"_s, u"4"_s, u"--output-dir"_s, path(u"out4"_s), path(u"tree"_s)});
        QCOMPARE(one.exitCode, 1);
        QCOMPARE(four.exitCode, 1);
        QCOMPARE(QString(four.err).replace(u"out4"_s, u"out1"_s), one.err);
        QVERIFY2(one.err.contains(u"ERROR: "_s + path(u"tree/sub/broken.reanim.compiled"_s) + u": incorrect header"_s),
                 qPrintable(one.err));
        QVERIFY(one.err.endsWith(u"3 converted, 1 failed, 0 skipped\n"_s));
        const auto tree = treeOf(path(u"out1"_s));
        QCOMPARE(tree, treeOf(path(u"out4"_s)));
        QCOMPARE(tree.keys(), (QStringList{u"a.reanim"_s, u"sub/b.reanim"_s, u"sub/deep/c.reanim"_s}));
        QCOMPARE(tree[u"a.reanim"_s], testdata::workedExampleText);

        // And back: the texts compile to the bodies they came from.
        const Run back = runCli({u"compile"_s, u"--output-dir"_s, path(u"again"_s), path(u"out1"_s)});
        QCOMPARE(back.exitCode, 0);
        QCOMPARE(treeOf(path(u"again"_s))[u"sub/deep/c.reanim.compiled"_s], testcore::wrap(randomBody(2)));

        const Run again = runCli({u"decompile"_s, u"--no-clobber"_s, u"--output-dir"_s, path(u"out1"_s), path(u"tree"_s)});
        QVERIFY(again.err.contains(u"Skipped "_s + path(u"tree/a.reanim.compiled"_s) + u": "_s + path(u"out1/a.reanim"_s)));
        QVERIFY(again.err.endsWith(u"0 converted, 1 failed, 3 skipped\n"_s));
        QCOMPARE(treeOf(path(u"out1"_s)), tree);
    }

    void outputsAreWorkedOutBeforeAnythingIsWritten()
    {
        const QByteArray file = testcore::wrap(testdata::workedExampleBody());
        for (const char *name : {"clash/walk.compiled", "clash/walk.reanim.compiled", "clash/a.reanim.compiled.x.compiled",
                                 "clash/a.reanim.x.compiled"})
            write(QLatin1String(name), file);
        const Run run = runCli({u"decompile"_s, path(u"clash"_s), path(u"clash/walk.compiled"_s)});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(u"ERROR: "_s + path(u"clash/walk.compiled"_s) + u" and "_s
                                  + path(u"clash/walk.reanim.compiled"_s) + u" would both be written to "_s),
                 qPrintable(run.err));
        QCOMPARE(testdata::readFile(path(u"clash/a.reanim.x.compiled"_s)), file);
        QVERIFY(QFile::exists(path(u"clash/a.reanim.x.compiled.reanim"_s)));
        QVERIFY(!QFile::exists(path(u"clash/walk.reanim"_s)));
        QVERIFY(run.err.endsWith(u"2 converted, 2 failed, 0 skipped\n"_s));
    }

    void checkTellsWhatWouldNotComeBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        const QByteArray good = testcore::wrap(testdata::workedExampleBody());
        const QByteArray afterComment = "<track><name>a</name><t/><!-- note -->\n<t><x>1</x></t></track>";
        QTest::newRow("same") << "good.reanim.compiled" << good << QStringList() << 0 << "good.reanim.compiled: comes back the same";
        QTest::newRow("bytes after the last track") << "tail.reanim.compiled"
                                                    << testcore::wrap(testdata::workedExampleBody() + "tail")
                                                    << QStringList() << 1 << "4 bytes after the last track";
        QTest::newRow("name too long to compile")
            << "long.reanim.compiled" << testcore::wrap(testdata::buildBody(12, {Track{QByteArray(300, 'n'), {}}}))
            << QStringList() << 1 << "does not come back the same: it does not come back: track 0: the name is 300 bytes long";
        QTest::newRow("more than three decimals")
            << "decimals.reanim.compiled" << testcore::wrap(testdata::buildBody(12, {Track{"t", {Frame{{1.2345f}}}}}))
            << QStringList() << 1 << "frame 0: x 1.23450005 comes back as 1.23500001";
        QTest::newRow("frames after a comment warn") << "comment.reanim" << afterComment << QStringList() << 0
                                                     << "comment.reanim:2: warning: <t> comes after a comment";
        QTest::newRow("strict") << "strict.reanim" << afterComment << QStringList{u"--strict"_s} << 1 << "warning";
        QTest::newRow("not a number") << "nan.reanim" << QByteArray("<track><t>\n<y>abc</y></t></track>")
                                      << QStringList() << 0 << "nan.reanim:2: warning: <y> holds \"abc\", which is not a number";
        QTest::newRow("an attached file not beside it")
            << "parent.reanim" << QByteArray("<track><name>t</name><t><text>attacher__Gone__anim_go[once]</text></t></track>")
            << QStringList() << 0 << "parent.reanim: warning: attached animation not beside it: no Gone.reanim.compiled or Gone.reanim";
        QTest::newRow("damaged") << "damaged.reanim.compiled" << good.left(20) << QStringList() << 1
                                 << "damaged.reanim.compiled: the compressed body is cut short";
    }
    void checkTellsWhatWouldNotComeBack()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        write(u"check/"_s + name, bytes);
        const Run run = runCli(QStringList{u"check"_s} + options + QStringList{path(u"check/"_s + name)});
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QCOMPARE(testdata::readFile(path(u"check/"_s + name)), bytes);
    }

    void infoJsonIsTheModel()
    {
        const QByteArray body = randomBody(3);
        write(u"info/x.reanim.compiled"_s, testcore::wrap(body));
        write(u"info/y.reanim"_s, testdata::workedExampleText);
        const Run run = runCli({u"info"_s, u"--json"_s, path(u"info"_s)});
        QCOMPARE(run.exitCode, 0);
        const QJsonArray files = QJsonDocument::fromJson(run.out)[u"files"_s].toArray();
        QCOMPARE(files.size(), 2);
        RecordingLog log;
        const qor::Reanim model = testcore::readBody(body, log).value();
        const QJsonObject x = files[0].toObject();
        QCOMPARE(x[u"kind"_s].toString(), u"compiled"_s);
        QCOMPARE(x[u"fps"_s].toDouble(), 12.5);
        const QJsonArray tracks = x[u"tracks"_s].toArray();
        QCOMPARE(tracks.size(), qsizetype(model.tracks.size()));
        for (qsizetype n = 0; n < tracks.size(); ++n) {
            const qor::ReanimTrack &track = model.tracks[size_t(n)];
            QCOMPARE(tracks[n][u"name"_s].toString(), qorqt::fromName(track.name));
            QCOMPARE(tracks[n][u"frames"_s].toInteger(), qint64(track.transforms.size()));
            QStringList images;
            for (const qor::ReanimTransform &frame : track.transforms)
                if (!frame.i.empty() && !images.contains(qorqt::fromName(frame.i)))
                    images.append(qorqt::fromName(frame.i));
            QCOMPARE(tracks[n][u"images"_s].toVariant().toStringList(), images);
        }
        QCOMPARE(files[1][u"tracks"_s][0][u"images"_s][0].toString(), u"IMG"_s);
        // "anim" names an image, so it marks no clip; an "anim_" track that names none does.
        QCOMPARE(files[1][u"clips"_s].toArray().size(), 0);
        write(u"clip.reanim"_s, "<track><name>anim_idle</name><t><f>-1</f></t><t><f>0</f></t><t/><t><f>-1</f></t></track>");
        const QJsonObject clip = QJsonDocument::fromJson(runCli({u"info"_s, u"--json"_s, path(u"clip.reanim"_s)}).out)
                                     [u"files"_s][0][u"clips"_s][0].toObject();
        QCOMPARE(clip, (QJsonObject{{u"name"_s, u"idle"_s}, {u"first"_s, 1}, {u"frames"_s, 2}}));
        // Each attachment once, with its clip and tags, however often its text appears.
        write(u"attaches.reanim"_s, "<track><name>t</name><t><text>attacher__Dancer__anim_dance1[21][hold]</text></t>"
                                    "<t><text>attacher__Coin</text></t><t><text>attacher__Coin</text></t></track>");
        const QJsonArray attached = QJsonDocument::fromJson(runCli({u"info"_s, u"--json"_s, path(u"attaches.reanim"_s)}).out)
                                        [u"files"_s][0][u"attachments"_s].toArray();
        QCOMPARE(attached, (QJsonArray{QJsonObject{{u"name"_s, u"Dancer"_s}, {u"clip"_s, u"dance1"_s},
                                                   {u"tags"_s, QJsonArray{u"21"_s, u"hold"_s}}},
                                       QJsonObject{{u"name"_s, u"Coin"_s}, {u"clip"_s, u""_s}, {u"tags"_s, QJsonArray{}}}}));
    }

    void hostilePathsAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        const QString input = path(u"hostile.reanim.compiled"_s);
        write(u"hostile.reanim.compiled"_s, testcore::wrap(testdata::workedExampleBody()));
        write(u"kept.reanim"_s, "old text");
        QTest::newRow("a device as input") << QStringList{u"compile"_s, u"/dev/zero"_s} << "ERROR: /dev/zero is not a regular file";
        QTest::newRow("a device as output") << QStringList{u"decompile"_s, u"-o"_s, u"/dev/null"_s, input}
                                            << "cannot write /dev/null: it exists and is not a regular file";
        QTest::newRow("the input as output") << QStringList{u"decompile"_s, u"-o"_s, path(u"./hostile.reanim.compiled"_s), input}
                                             << "is the input itself";
#ifdef Q_OS_UNIX
        const QString fifo = path(u"pipe.reanim"_s);
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 || QFile::exists(fifo));
        QTest::newRow("a pipe as input") << QStringList{u"compile"_s, fifo} << "is not a regular file";
#endif
    }
    void hostilePathsAreRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QCOMPARE(testdata::readFile(path(u"hostile.reanim.compiled"_s)), testcore::wrap(testdata::workedExampleBody()));
    }

    void standardOutputAndOneLinePerMessage()
    {
        write(u"lines.reanim"_s, "<track><name>a&#10;b</name></track>");
        const Run run = runCli({u"compile"_s, u"-v"_s, u"-o"_s, u"-"_s, path(u"lines.reanim"_s)});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, testcore::wrap(testdata::buildBody(12, {Track{"a\nb", {}}})));
        QVERIFY2(run.err.split(u'\n').contains(u"a\\nb 0"_s), qPrintable(run.err));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QTest::newRow("help") << QStringList{u"--help"_s} << 0 << u"qorutil-cli check"_s;
        QTest::newRow("version") << QStringList{u"--version"_s} << 0 << u"qorutil-cli 1.0"_s;
        QTest::newRow("nothing") << QStringList{} << 2 << u"no command"_s;
        QTest::newRow("unknown command") << QStringList{u"explode"_s} << 2 << u"unknown command"_s;
        QTest::newRow("no file") << QStringList{u"compile"_s} << 2 << u"no input file"_s;
        QTest::newRow("unknown option") << QStringList{u"compile"_s, u"--fast"_s, u"x"_s} << 2 << u"unknown option"_s;
        QTest::newRow("bad jobs") << QStringList{u"compile"_s, u"-j"_s, u"0"_s, u"x"_s} << 2 << u"-j needs a whole number"_s;
        QTest::newRow("-o with two inputs") << QStringList{u"compile"_s, u"-o"_s, u"x"_s, u"a"_s, u"b"_s} << 2 << u"-o"_s;
        QTest::newRow("missing file") << QStringList{u"decompile"_s, u"/no/such.reanim.compiled"_s} << 1
                                      << u"ERROR: /no/such.reanim.compiled: no such file or folder"_s;
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, says);
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, code);
        QVERIFY2((QString::fromLocal8Bit(run.out) + run.err).contains(says), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
