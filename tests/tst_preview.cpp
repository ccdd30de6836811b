#include "preview/player.h"
#include "preview/previewwindow.h"
#include "sample.h"

#include <QComboBox>
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
        QFile file(walker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(sample::textOf(changed));
        file.close();
        QTRY_COMPARE(window.animation().tracks.size(), changed.tracks.size());
        QCOMPARE(clips->currentText(), u"idle"_s);
        QCOMPARE(player.frame(), frame);

        // A file that no longer reads keeps the last good animation.
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<track><name>broken & </name></track>");
        file.close();
        QTRY_VERIFY(window.statusBar()->currentMessage().contains(u"does not read"_s));
        QCOMPARE(window.animation().tracks.size(), changed.tracks.size());
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
