#include "animations.h"
#include "preview/player.h"
#include "preview/previewwindow.h"
#include "render/picture.h"
#include "sample.h"
#include "testdata.h"

#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_Preview : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString walker;

private slots:
    void initTestCase()
    {
        // The settings go to a folder of the test's own, not the user's.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(u"config"_s)));
    }

    void init() { walker = sample::writeWalker(dir.path()); }

    void opensStepsPlaysAndReloads()
    {
        PreviewWindow window;
        window.setImageFolder(dir.filePath(u"images"_s));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(window.openFile(walker));
        QCOMPARE(window.animation().frameCount, sample::frameCount);
        Player &player = window.player();
        const auto keys = [&](Qt::Key key, int times = 1) {
            for (int n = 0; n < times; ++n)
                QTest::keyClick(&window, key);
        };
        keys(Qt::Key_Right, 2);
        QCOMPARE(player.frame(), 2);
        keys(Qt::Key_End);
        QCOMPARE(player.frame(), sample::walkFrames - 1); // the first clip, where a file opens
        keys(Qt::Key_Home);
        keys(Qt::Key_Left);
        QCOMPARE(player.frame(), 0);

        auto *clips = window.findChild<QComboBox *>(u"clipChooser"_s);
        QCOMPARE(clips->count(), 3);
        clips->setCurrentIndex(clips->findText(u"idle"_s));
        QCOMPARE(player.frame(), sample::walkFrames);
        keys(Qt::Key_Space);
        QTRY_VERIFY(player.frame() > sample::walkFrames + 1);
        keys(Qt::Key_Space);
        QVERIFY(!player.isPlaying());
        const int frame = player.frame();

        // A track more on disk: reloaded with the clip and the frame kept.
        qor::Reanim changed = sample::walker();
        changed.tracks.push_back({"extra", std::vector<qor::ReanimTransform>(3)});
        qtdata::writeFile(walker, sample::textOf(changed));
        QTRY_COMPARE(window.animation().tracks.size(), changed.tracks.size());
        QCOMPARE(clips->currentText(), u"idle"_s);
        QCOMPARE(player.frame(), frame);

        // A file that no longer reads keeps the last good animation.
        qtdata::writeFile(walker, "<track><name>broken & </name></track>");
        QTRY_VERIFY(window.statusBar()->currentMessage().contains(u"does not read"_s));
        QCOMPARE(window.animation().tracks.size(), changed.tracks.size());

        // A frame typed outside the clip is one of the whole animation.
        window.findChild<QSpinBox *>(u"frameField"_s)->setValue(3);
        QCOMPARE(clips->currentIndex(), 0);
        QCOMPARE(player.frame(), 3);
    }

    // A file opens on its first clip, else on the first frame that shows anything.
    void opensWhereSomethingShows_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<int>("frame");
        QTest::newRow("the walker's first clip") << u"walker"_s << u"walk"_s << 0;
        QTest::newRow("no clips, nothing shown before frame 3") << u"late"_s << u"Whole animation"_s << 3;
    }

    void opensWhereSomethingShows()
    {
        QFETCH(QString, file);
        QFETCH(QString, clip);
        QFETCH(int, frame);
        qor::Reanim late;
        late.tracks = {{"part", std::vector<qor::ReanimTransform>(6)}};
        late.tracks[0].transforms[0].f = -1;
        late.tracks[0].transforms[0].i = "IMAGE_REANIM_HEAD";
        late.tracks[0].transforms[3].f = 0;
        qtdata::writeFile(dir.filePath(u"late.reanim"_s), sample::textOf(late));
        PreviewWindow window;
        QVERIFY(window.openFile(dir.filePath(file + u".reanim"_s)));
        QCOMPARE(window.findChild<QComboBox *>(u"clipChooser"_s)->currentText(), clip);
        QCOMPARE(window.player().frame(), frame);
    }

    // The parade plays the walker it attaches, says which file it did not find, and exports
    // its clip as animations and every clip as sheets.
    void attachmentsProblemsAndExports()
    {
        const QString parade = sample::writeParade(dir.path());
        PreviewWindow window;
        window.setImageFolder(dir.filePath(u"images"_s));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.openFile(parade));
        QTRY_VERIFY(window.problems().size() == 2);
        QVERIFY2(window.problems()[0].contains(u"Ghost.reanim.compiled or Ghost.reanim"_s), qPrintable(window.problems()[0]));
        QVERIFY2(window.problems()[1].startsWith(u"image IMAGE_REANIM_HAT: no hat.png"_s), qPrintable(window.problems()[1]));

        const QString webp = dir.filePath(u"parade.webp"_s);
        const QString gif = dir.filePath(u"parade.gif"_s);
        QVERIFY(window.exportAnimation(webp));
        QVERIFY(window.exportAnimation(gif));
        const qor::Size size =
            qor::clipFraming(window.animation(), window.currentClip(), window.images(), 1.0).pixelSize().value_or(qor::Size());
        for (const animations::Decoded &decoded :
             {animations::decodeWebP(qtdata::readFile(webp)), animations::decodeGif(gif)}) {
            QCOMPARE(decoded.frames.size(), sample::paradeFrames);
            QVERIFY(decoded.frames.front().width() > size.width); // the walker walks past the parade's own parts
        }

        const QString every = dir.filePath(u"every"_s);
        QVERIFY(QDir().mkpath(every));
        QVERIFY(window.exportAllClips(every, u"png"_s));
        QCOMPARE(QDir(every).entryList(QDir::Files, QDir::Name), (QStringList{u"parade-march.json"_s, u"parade-march.png"_s}));
    }

    void changedImagesAreReadAgain()
    {
        PreviewWindow window;
        window.setImageFolder(dir.filePath(u"images"_s));
        QVERIFY(window.openFile(walker));
        QCOMPARE(window.images().image("IMAGE_REANIM_HEAD").size(), QSize(52, 52));
        QImage bigger(60, 60, QImage::Format_ARGB32);
        bigger.fill(Qt::red);
        QVERIFY(bigger.save(dir.filePath(u"images/head.png"_s)));
        QTRY_COMPARE(window.images().image("IMAGE_REANIM_HEAD").size(), QSize(60, 60));
    }

    void theWindowsPlaceSizeAndPanelsAreRemembered()
    {
        {
            PreviewWindow window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.resize(720, 510);
            window.findChild<QDockWidget *>(u"tracksDock"_s)->close();
            QTRY_COMPARE(window.size(), QSize(720, 510));
            window.close();
        }
        PreviewWindow again;
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.size(), QSize(720, 510));
        QVERIFY(!again.findChild<QDockWidget *>(u"tracksDock"_s)->isVisible());
    }

    void aFileThatDoesNotReadLeavesTheWindowAsItWas()
    {
        PreviewWindow window;
        QVERIFY(window.openFile(walker));
        QVERIFY(!window.openFile(dir.filePath(u"missing.reanim.compiled"_s)));
        QVERIFY(window.statusBar()->currentMessage().contains(u"missing.reanim.compiled"_s));
        QCOMPARE(window.filePath(), QFileInfo(walker).absoluteFilePath());
        QCOMPARE(window.animation().frameCount, sample::frameCount);
    }
};

QTEST_MAIN(tst_Preview)
#include "tst_preview.moc"
