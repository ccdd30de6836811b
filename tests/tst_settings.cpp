#include "app/about.h"
#include "app/filedialog.h"
#include "app/frmmain.h"
#include "testdata.h"

#include <QAction>
#include <QDockWidget>
#include <QPushButton>
#include <QSettings>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString stateFile = u"formState.ini"_s;
const QString optionsFile = u"qorutil.ini"_s;

QDockWidget *dock(frmMain &window)
{
    return window.findChild<QDockWidget *>(u"dwgOut"_s);
}

QString logText(frmMain &window)
{
    return window.findChild<QTextEdit *>(u"txtDebug"_s)->toPlainText().trimmed();
}

QAction *addOption(frmMain &window, const QString &marker, const QString &byDefault)
{
    auto *option = new QAction(&window);
    option->setObjectName(u"actionFlag"_s);
    option->setCheckable(true);
    option->setWhatsThis(marker);
    option->setStatusTip(byDefault);
    window.readOptions();
    return option;
}

void openAbout(frmMain &window)
{
    window.findChild<QAction *>(u"actionAbout"_s)->trigger();
}

// A click as the windowing system delivers it, so modality applies.
void clickDecompileButton(frmMain &window)
{
    auto *toolBar = window.findChild<QToolBar *>(u"mainToolBar"_s);
    QWidget *button = toolBar->widgetForAction(window.findChild<QAction *>(u"actionDecompile"_s));
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, button->mapTo(&window, button->rect().center()));
}

} // namespace

class tst_Settings : public QObject {
    Q_OBJECT

    std::optional<qtdata::WorkingFolder> dir;
    int dialogCalls = 0;

private slots:
    void init()
    {
        QVERIFY(dir.emplace().entered);
        dialogCalls = 0;
        setOpenFileDialog([this](QWidget *, const QString &, const QString &, const QString &) {
            ++dialogCalls;
            return QString();
        });
    }

    void cleanup()
    {
        if (about *window = about::instance())
            window->hide();
        setOpenFileDialog({});
        dir.reset();
    }

    void aboutIsOneModalWindow()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        openAbout(window);
        QPointer<about> shown = about::instance();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        QCOMPARE(shown->windowTitle(), u"About"_s);
        QCOMPARE(shown->windowModality(), Qt::ApplicationModal);
        QCOMPARE(shown->windowIcon().pixmap(48, 48).toImage(), QIcon(u":/icons/48/65.png"_s).pixmap(48, 48).toImage());
        QCOMPARE(shown->findChild<QTextBrowser *>()->toPlainText(), u"Have Fun!!"_s);
        auto *ok = shown->findChild<QPushButton *>(u"pushButton"_s);
        QCOMPARE(ok->text(), u"OK"_s);

        clickDecompileButton(window);
        QCOMPARE(dialogCalls, 0);
        ok->click();
        QVERIFY(shown && !shown->isVisible());
        clickDecompileButton(window);
        QCOMPARE(dialogCalls, 1);

        openAbout(window);
        openAbout(window);
        QCOMPARE(about::instance(), shown.data());
        QCOMPARE(QApplication::topLevelWidgets().count(shown.data()), 1);
    }

    void firstStartGivesTheDefaultsAndWritesNothing()
    {
        frmMain window;
        QCOMPARE(window.size(), QSize(400, 400));
        QCOMPARE(window.pos(), QPoint(200, 200));
        QVERIFY(!dock(window)->isFloating());
        QVERIFY(!QFile::exists(stateFile));
        QVERIFY(!QFile::exists(optionsFile));
    }

    void restartRestoresSizePositionAndDock()
    {
        qtdata::writeFile(stateFile, "[Other]\nkept=1\n");
        {
            frmMain window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.resize(520, 330);
            window.move(60, 70);
            dock(window)->setFloating(true);
            window.close();
        }
        const QSettings stored(stateFile, QSettings::IniFormat);
        QCOMPARE(stored.value(u"TFrmMain/size"_s).toSize(), QSize(520, 330));
        QCOMPARE(stored.value(u"Other/kept"_s).toInt(), 1);
        QVERIFY(!stored.value(u"state"_s).toByteArray().isEmpty());
        // The form marks no action as an option, so none is stored.
        QVERIFY(QSettings(optionsFile, QSettings::IniFormat).allKeys().isEmpty());
        frmMain again;
        QCOMPARE(again.size(), QSize(520, 330));
        QCOMPARE(again.pos(), QPoint(60, 70));
        QVERIFY(dock(again)->isFloating());
        QVERIFY(logText(again).isEmpty());
    }

    // Hand-written files: each entry the window cannot use leaves the default in place.
    void damagedEntriesFallBack_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("pos");
        QTest::newRow("size and position") << QByteArray("[TFrmMain]\nsize=@Size(330 260)\npos=@Point(5 6)\n")
                                           << QSize(330, 260) << QPoint(5, 6);
        QTest::newRow("size is text") << QByteArray("[TFrmMain]\nsize=huge\npos=@Point(5 6)\n") << QSize(400, 400)
                                      << QPoint(5, 6);
        QTest::newRow("position holds a size") << QByteArray("[TFrmMain]\nsize=@Size(330 260)\npos=@Size(1 2)\n")
                                               << QSize(330, 260) << QPoint(200, 200);
        QTest::newRow("damaged typed value") << QByteArray("[TFrmMain]\nsize=@Size(12\npos=@Point()\n")
                                             << QSize(400, 400) << QPoint(200, 200);
        QTest::newRow("junk state") << QByteArray("[General]\nstate=junk\ngeometry=@ByteArray(\\0\\x1)\n")
                                    << QSize(400, 400) << QPoint(200, 200);
        QTest::newRow("binary") << QByteArray::fromHex("FFFE0001") + " [[[ = ==\n" << QSize(400, 400)
                                << QPoint(200, 200);
    }

    void damagedEntriesFallBack()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QSize, size);
        QFETCH(QPoint, pos);
        qtdata::writeFile(stateFile, ini);
        frmMain window;
        QCOMPARE(window.size(), size);
        QCOMPARE(window.pos(), pos);
        QVERIFY(logText(window).isEmpty());
        QCOMPARE(QFile(stateFile).size(), qint64(ini.size()));
    }

    void unreadableFilesAreSilent()
    {
        QVERIFY(QDir().mkdir(stateFile));
        QVERIFY(QDir().mkdir(optionsFile));
        frmMain window;
        QCOMPARE(window.size(), QSize(400, 400));
        window.close();
        QVERIFY(logText(window).isEmpty());
    }

    void optionKeepsItsStateAcrossARestart()
    {
        {
            frmMain window;
            QAction *option = addOption(window, u"ini"_s, u"true"_s);
            QVERIFY(option->isChecked());
            option->setChecked(false);
            window.close();
        }
        QCOMPARE(QSettings(optionsFile, QSettings::IniFormat).allKeys(), QStringList{u"Option/actionFlag"_s});
        frmMain again;
        QVERIFY(!addOption(again, u"ini"_s, u"true"_s)->isChecked());
    }

    void whichActionsAreOptions_data()
    {
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QString>("byDefault");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("checked");
        QTest::newRow("no default") << u"ini"_s << QString() << QByteArray() << false;
        QTest::newRow("default True is not true") << u"ini"_s << u"True"_s << QByteArray() << false;
        QTest::newRow("stored word wins") << u"ini"_s << QString() << QByteArray("yes") << true;
        QTest::newRow("stored FALSE") << u"ini"_s << u"true"_s << QByteArray("FALSE") << false;
        QTest::newRow("not marked") << u"INI"_s << u"true"_s << QByteArray("true") << false;
    }

    void whichActionsAreOptions()
    {
        QFETCH(QString, marker);
        QFETCH(QString, byDefault);
        QFETCH(QByteArray, stored);
        QFETCH(bool, checked);
        if (!stored.isNull())
            qtdata::writeFile(optionsFile, "[Option]\nactionFlag=" + stored + "\n");
        frmMain window;
        QCOMPARE(addOption(window, marker, byDefault)->isChecked(), checked);
    }

    // Last: the run's end frees the About window while the application object still exists.
    void aboutFreedWhenTheRunEnds()
    {
        {
            frmMain window;
            openAbout(window);
        }
        QPointer<about> shown = about::instance();
        QVERIFY(shown);
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec();
        QVERIFY(!shown);
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
