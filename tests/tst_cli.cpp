#include "coreadapter.h"
#include "run.h"
#include "testdata.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// AddressSanitizer maps more memory up front than any cap these tests set.
#if defined(__SANITIZE_ADDRESS__)
#define QORUTIL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QORUTIL_ASAN 1
#endif
#endif

using namespace Qt::StringLiterals;
using qtdata::Frame;
using qtdata::Track;

// The command-line program end to end, on folders made here.
namespace {

// The program, with its data (heap and private maps) capped at `dataLimit` bytes when given.
Run runCli(const QStringList &arguments, qint64 dataLimit = 0)
{
    return runProgram(QStringLiteral(QORUTIL_CLI), arguments, [dataLimit](QProcess &process) {
#ifdef Q_OS_UNIX
        if (dataLimit > 0)
            process.setChildProcessModifier([dataLimit] {
                const rlimit limit{rlim_t(dataLimit), rlim_t(dataLimit)};
                setrlimit(RLIMIT_DATA, &limit);
            });
#else
        Q_UNUSED(process);
        Q_UNUSED(dataLimit);
#endif
    });
}

// Every file below a folder, by relative path, with its bytes.
QMap<QString, QByteArray> treeOf(const QString &folder)
{
    QMap<QString, QByteArray> tree;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        tree.insert(QDir(folder).relativeFilePath(path), qtdata::readFile(path));
    }
    return tree;
}

QByteArray randomBody(std::uint32_t seed)
{
    std::mt19937 random(seed);
    return qtdata::buildBody(12.5f, qtdata::randomTracks(random));
}

} // namespace

class tst_Cli : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }

    void write(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        qtdata::writeFile(path(name), bytes);
    }

    // A mod folder: compiled files at several depths, a broken one among them, and a stray file.
    void makeTree(const QString &root)
    {
        write(root + u"/a.reanim.compiled"_s, testcore::wrap(qtdata::workedExampleBody()));
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
        QCOMPARE(tree[u"a.reanim"_s], qtdata::workedExampleText);

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
        const QByteArray file = testcore::wrap(qtdata::workedExampleBody());
        for (const char *name : {"clash/walk.compiled", "clash/walk.reanim.compiled", "clash/a.reanim.compiled.x.compiled",
                                 "clash/a.reanim.x.compiled"})
            write(QLatin1String(name), file);
        const Run run = runCli({u"decompile"_s, path(u"clash"_s), path(u"clash/walk.compiled"_s)});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(u"ERROR: "_s + path(u"clash/walk.compiled"_s) + u" and "_s
                                  + path(u"clash/walk.reanim.compiled"_s) + u" would both be written to "_s),
                 qPrintable(run.err));
        QCOMPARE(qtdata::readFile(path(u"clash/a.reanim.x.compiled"_s)), file);
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
        const QByteArray good = testcore::wrap(qtdata::workedExampleBody());
        const QByteArray afterComment = "<track><name>a</name><t/><!-- note -->\n<t><x>1</x></t></track>";
        QTest::newRow("same") << "good.reanim.compiled" << good << QStringList() << 0 << "good.reanim.compiled: comes back the same";
        QTest::newRow("bytes after the last track") << "tail.reanim.compiled"
                                                    << testcore::wrap(qtdata::workedExampleBody() + "tail")
                                                    << QStringList() << 1 << "4 bytes after the last track";
        QTest::newRow("name too long to compile")
            << "long.reanim.compiled" << testcore::wrap(qtdata::buildBody(12, {Track{std::string(300, 'n'), {}}}))
            << QStringList() << 1 << "does not come back the same: it does not come back: track 0: the name is 300 bytes long";
        QTest::newRow("more than three decimals")
            << "decimals.reanim.compiled" << testcore::wrap(qtdata::buildBody(12, {Track{"t", {Frame{{1.2345f}}}}}))
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
        const auto xIs = [](float x, const std::string &image = {}) {
            Frame frame;
            frame.fields[0] = x;
            frame.image = image;
            return frame;
        };
        const float payload = std::bit_cast<float>(0x7FC00001u);
        QTest::newRow("a NaN that loses its payload")
            << "payload.reanim.compiled" << testcore::wrap(qtdata::buildBody(12, {Track{"t", {xIs(payload)}}}))
            << QStringList() << 1 << "frame 0: x nan (0x7FC00001) comes back as nan (0x7FC00000)";
        QTest::newRow("a zero byte inside a name")
            << "zero.reanim.compiled" << testcore::wrap(qtdata::buildBody(12, {Track{std::string("abc\0def", 7), {}}}))
            << QStringList() << 1 << "track 0 \"abc\": the name holds a zero byte at byte 3; it comes back as \"abc\"";
        QTest::newRow("a zero byte inside an image")
            << "zeroimage.reanim.compiled"
            << testcore::wrap(qtdata::buildBody(12, {Track{"t", {xIs(qtdata::unset, std::string("ab\0c", 4))}}}))
            << QStringList() << 1 << "frame 0: the image name holds a zero byte at byte 2; it comes back as \"ab\"";
        // Far enough into a file that it is compared in a later piece than the first.
        std::vector<Track> late{Track{"t", std::vector<Frame>(30000)}};
        late[0].frames.back() = xIs(payload);
        QTest::newRow("a value far into the file") << "late.reanim.compiled" << testcore::wrap(qtdata::buildBody(12, late))
                                                    << QStringList() << 1 << "track 0 \"t\", frame 29999: x nan (0x7FC00001)";
        std::vector<Track> far(60000);
        far.push_back(Track{"far", std::vector<Frame>(30000)});
        far.back().frames.back() = xIs(qtdata::unset, "a\x01");
        QTest::newRow("a name far into the file that no text can hold")
            << "far.reanim.compiled" << testcore::wrap(qtdata::buildBody(12, far)) << QStringList() << 1
            << "it does not come back: track 60000 \"far\": the image name of frame 29999 holds the control character U+0001";
        QTest::newRow("values no picture can place warn")
            << "unplaceable.reanim.compiled"
            << testcore::wrap(qtdata::buildBody(12, {Track{"ok", {xIs(1)}}, Track{"t", {xIs(1), xIs(qQNaN()), xIs(1e30f)}}}))
            << QStringList() << 0 << "unplaceable.reanim.compiled: warning: track 1 \"t\", frame 1: x is nan";
        QTest::newRow("huge values too") << "huge.reanim" << QByteArray("<track><name>far</name><t><sx>-1e30</sx></t></track>")
                                         << QStringList{u"--strict"_s} << 1 << "track 0 \"far\", frame 0: sx is -1.00000002e+30";
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
        QCOMPARE(qtdata::readFile(path(u"check/"_s + name)), bytes);
    }

    void infoJsonIsTheModel()
    {
        const QByteArray body = randomBody(3);
        write(u"info/x.reanim.compiled"_s, testcore::wrap(body));
        write(u"info/y.reanim"_s, qtdata::workedExampleText);
        const Run run = runCli({u"info"_s, u"--json"_s, path(u"info"_s)});
        QCOMPARE(run.exitCode, 0);
        const QJsonArray files = QJsonDocument::fromJson(run.out)[u"files"_s].toArray();
        QCOMPARE(files.size(), 2);
        qor::DiscardingLog log;
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

    // Bodies of many empty frames or tracks: large, yet tiny files. Under a cap on the program's
    // data a little above the body, each run completes; under one below the body, the file
    // ends with one ERROR: line and the next file of the batch is still read.
    void memoryStaysNearTheBody_data()
    {
#if !defined(Q_OS_UNIX) || defined(QORUTIL_ASAN)
        QSKIP("needs a cap on a child's data that the build leaves room for");
#endif
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("capMiB");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QByteArray>("listed"); // on standard output ...
        QTest::addColumn<int>("times");         // ... this many times
        const QString frames = path(u"memory/frames.reanim.compiled"_s); // one track of a million frames: 56 MB
        const QString tracks = path(u"memory/tracks.reanim.compiled"_s); // half a million tracks: 10 MB
        const QString small = path(u"memory/small.reanim.compiled"_s);
        if (!QFile::exists(frames)) {
            write(u"memory/frames.reanim.compiled"_s,
                  testcore::wrap(qtdata::buildBody(12, {Track{"walk", std::vector<Frame>(1000000)}})));
            write(u"memory/tracks.reanim.compiled"_s, testcore::wrap(qtdata::buildBody(12, std::vector<Track>(500000))));
            write(u"memory/small.reanim.compiled"_s, testcore::wrap(qtdata::workedExampleBody()));
        }
        const QString smallSame = small + u": comes back the same"_s;
        const QByteArray smallTrack = "  track 0 \"anim\": 1 frames, images IMG\n";
        QTest::newRow("info of a million frames") << QStringList{u"info"_s, u"-j"_s, u"2"_s, frames, small} << 120 << 0
                                                  << QString() << QByteArray("1000000 frames") << 2;
        QTest::newRow("info --json of a million frames")
            << QStringList{u"info"_s, u"--json"_s, u"-j"_s, u"1"_s, frames} << 120 << 0 << QString()
            << QByteArray("{\"name\": \"walk\", \"frames\": 1000000, \"images\": []}\n            ]") << 1;
        QTest::newRow("check of a million frames") << QStringList{u"check"_s, u"-j"_s, u"2"_s, frames, small} << 120 << 0
                                                   << frames + u": comes back the same\n"_s + smallSame << QByteArray() << 0;
        QTest::newRow("info --json of half a million tracks")
            << QStringList{u"info"_s, u"--json"_s, tracks} << 60 << 0 << QString()
            << QByteArray("{\"name\": \"\", \"frames\": 0, \"images\": []}") << 500000;
        QTest::newRow("check of half a million tracks") << QStringList{u"check"_s, tracks} << 60 << 0
                                                        << tracks + u": comes back the same"_s << QByteArray() << 0;
        QTest::newRow("info past the cap") << QStringList{u"info"_s, u"-j"_s, u"2"_s, frames, small} << 40 << 1
                                           << u"ERROR: "_s + frames + u": not enough memory to read it"_s << smallTrack << 1;
        QTest::newRow("check past the cap")
            << QStringList{u"check"_s, u"-j"_s, u"1"_s, frames, small} << 40 << 1
            << u"ERROR: "_s + frames + u": not enough memory to check it\n"_s + smallSame << QByteArray() << 0;
    }
    void memoryStaysNearTheBody()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, capMiB);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QFETCH(QByteArray, listed);
        QFETCH(int, times);
        const Run run = runCli(arguments, qint64(capMiB) << 20);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QCOMPARE(run.err.count(u"ERROR: "_s), exitCode);
        if (!listed.isEmpty())
            QCOMPARE(run.out.count(listed), times);
    }

    // Names hold any bytes, paths any characters; the document stays valid JSON in UTF-8 and
    // gives both back: each byte of a name as the character of its number, a path as it is.
    void infoJsonCarriesAnyBytes()
    {
        const QList<QByteArray> names = {"quote \" and backslash \\", "controls \x01\x1f\t\n\r\b\f\x7f",
                                         "latin-1 \x80\x9f\xa0\xe9\xff", "not utf-8 \xc3\x28 \xe2\x82 \xf0",
                                         QByteArray("cut at \0 the zero", 18)};
        std::vector<Track> tracks;
        for (const QByteArray &name : names) {
            Frame frame;
            frame.image = name.toStdString();
            tracks.push_back(Track{name.toStdString(), {frame}});
        }
        const QString file = path(u"bytes/q\"uote\\back\u0001slash \u00e9\t.reanim.compiled"_s);
        write(QDir(dir.path()).relativeFilePath(file), testcore::wrap(qtdata::buildBody(12, tracks)));
#ifdef Q_OS_UNIX
        // A file name that is not UTF-8, which the program can't name, leaves the document whole.
        const QByteArray raw = QFile::encodeName(path(u"bytes/"_s)) + "raw\xff\xfe.reanim.compiled";
        const int handle = ::open(raw.constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(handle >= 0);
        ::close(handle);
#endif
        const Run run = runCli({u"info"_s, u"--json"_s, path(u"bytes"_s)});
#ifdef Q_OS_UNIX
        ::unlink(raw.constData());
#endif
        QVERIFY2(QUtf8StringView(run.out).isValidUtf8(), run.out.constData());
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        const QJsonArray files = document[u"files"_s].toArray();
        QCOMPARE(files.size(), 1);
        QCOMPARE(files[0][u"path"_s].toString(), file);
        const QJsonArray described = files[0][u"tracks"_s].toArray();
        QCOMPARE(described.size(), names.size());
        for (qsizetype n = 0; n < names.size(); ++n) {
            const QString name = QString::fromLatin1(names[n].left(qsizetype(qstrnlen(names[n].constData(), size_t(names[n].size())))));
            QCOMPARE(described[n][u"name"_s].toString(), name);
            QCOMPARE(described[n][u"images"_s].toArray(), QJsonArray{name});
        }
    }

    void standardOutputAndOneLinePerMessage()
    {
        write(u"lines.reanim"_s, "<track><name>a&#10;b</name></track>");
        const Run run = runCli({u"compile"_s, u"-v"_s, u"-o"_s, u"-"_s, path(u"lines.reanim"_s)});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, testcore::wrap(qtdata::buildBody(12, {Track{"a\nb", {}}})));
        QVERIFY2(run.err.split(u'\n').contains(u"a\\nb 0"_s), qPrintable(run.err));
    }

    // Each mistake's exit status and what it says (on standard error, help and version on
    // standard output; the parser's words for each usage error are tst_options'); an input that
    // would be written over, or is no regular file, is refused and left as it was.
    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        const QString input = path(u"hostile.reanim.compiled"_s);
        write(u"hostile.reanim.compiled"_s, testcore::wrap(qtdata::workedExampleBody()));
        QTest::newRow("help") << QStringList{u"--help"_s} << 0 << u"qorutil-cli check"_s;
        QTest::newRow("version") << QStringList{u"--version"_s} << 0 << u"qorutil-cli 1.0"_s;
        QTest::newRow("nothing") << QStringList{} << 2 << u"no command"_s;
        QTest::newRow("unknown command") << QStringList{u"explode"_s} << 2 << u"unknown command"_s;
        QTest::newRow("no file") << QStringList{u"compile"_s} << 2 << u"no input file"_s;
        QTest::newRow("-o with two inputs") << QStringList{u"compile"_s, u"-o"_s, u"x"_s, u"a"_s, u"b"_s} << 2 << u"-o"_s;
        QTest::newRow("missing file") << QStringList{u"decompile"_s, u"/no/such.reanim.compiled"_s} << 1
                                      << u"ERROR: /no/such.reanim.compiled: no such file or folder"_s;
        QTest::newRow("a device as input") << QStringList{u"compile"_s, u"/dev/zero"_s} << 1
                                           << u"ERROR: /dev/zero is not a regular file"_s;
        QTest::newRow("a device as output") << QStringList{u"decompile"_s, u"-o"_s, u"/dev/null"_s, input} << 1
                                            << u"cannot write /dev/null: it exists and is not a regular file"_s;
        QTest::newRow("the input as output")
            << QStringList{u"decompile"_s, u"-o"_s, path(u"./hostile.reanim.compiled"_s), input} << 1
            << u"is the input itself"_s;
#ifdef Q_OS_UNIX
        const QString fifo = path(u"pipe.reanim"_s);
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 || QFile::exists(fifo));
        QTest::newRow("a pipe as input") << QStringList{u"compile"_s, fifo} << 1 << u"is not a regular file"_s;
#endif
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, says);
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, code);
        const QString said = code == 0 ? QString::fromLocal8Bit(run.out) : run.err;
        QVERIFY2(said.contains(says), qPrintable(said));
        QCOMPARE(qtdata::readFile(path(u"hostile.reanim.compiled"_s)), testcore::wrap(qtdata::workedExampleBody()));
    }
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
