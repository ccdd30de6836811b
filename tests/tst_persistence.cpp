#include "app/frmmain.h"

#include <QAction>
#include <QDockWidget>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <memory>

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

QAction *addOption(frmMain &window, const QString &name, const QString &marker, const QString &byDefault)
{
    auto *action = new QAction(&window);
    action->setObjectName(name);
    action->setCheckable(true);
    action->setWhatsThis(marker);
    action->setStatusTip(byDefault);
    return action;
}

void writeIni(const QString &file, const QByteArray &text)
{
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text);
}

} // namespace

class tst_Persistence : public QObject {
    Q_OBJECT

private:
    QString startFolder = QDir::currentPath();
    std::unique_ptr<QTemporaryDir> dir;

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir::setCurrent(dir->path()));
    }

    void cleanup()
    {
        QDir::setCurrent(startFolder);
        dir.reset();
    }

    void firstStartGivesTheDefaultsAndWritesNothing()
    {
        frmMain window;
        QCOMPARE(window.size(), QSize(400, 400));
        QCOMPARE(window.pos(), QPoint(200, 200));
        QVERIFY(!dock(window)->isFloating());
        QCOMPARE(window.dockWidgetArea(dock(window)), Qt::BottomDockWidgetArea);
        QVERIFY(logText(window).isEmpty());
        QVERIFY(!QFile::exists(stateFile));
        QVERIFY(!QFile::exists(optionsFile));
    }

    void closeRightAfterStartWritesTheState()
    {
        writeIni(stateFile, "[Other]\nkept=1\n");
        {
            frmMain window;
            window.close();
        }
        const QSettings stored(stateFile, QSettings::IniFormat);
        QCOMPARE(stored.value(u"TFrmMain/size"_s).toSize(), QSize(400, 400));
        QCOMPARE(stored.value(u"TFrmMain/pos"_s).toPoint(), QPoint(200, 200));
        QVERIFY(!stored.value(u"state"_s).toByteArray().isEmpty());
        QVERIFY(!stored.value(u"geometry"_s).toByteArray().isEmpty());
        QCOMPARE(stored.value(u"Other/kept"_s).toInt(), 1);
        // The form marks no action as an option, so no option key is stored.
        QVERIFY(QSettings(optionsFile, QSettings::IniFormat).allKeys().isEmpty());
    }

    void restartRestoresSizePositionAndDock()
    {
        {
            frmMain window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.resize(520, 330);
            window.move(60, 70);
            dock(window)->setFloating(true);
            window.close();
        }
        frmMain again;
        QCOMPARE(again.size(), QSize(520, 330));
        QCOMPARE(again.pos(), QPoint(60, 70));
        QVERIFY(dock(again)->isFloating());
        QVERIFY(logText(again).isEmpty());
    }

    // Hand-written files: each entry the window cannot use leaves the default in place.
    void storedEntriesAndTheirFallbacks_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("pos");
        QTest::newRow("only a size") << QByteArray("[TFrmMain]\nsize=@Size(310 250)\n") << QSize(310, 250)
                                     << QPoint(200, 200);
        QTest::newRow("only a position") << QByteArray("[TFrmMain]\npos=@Point(15 25)\n") << QSize(400, 400)
                                         << QPoint(15, 25);
        QTest::newRow("size and position") << QByteArray("[TFrmMain]\nsize=@Size(330 260)\npos=@Point(5 6)\n")
                                           << QSize(330, 260) << QPoint(5, 6);
        QTest::newRow("size is text") << QByteArray("[TFrmMain]\nsize=huge\npos=@Point(5 6)\n") << QSize(400, 400)
                                      << QPoint(5, 6);
        QTest::newRow("position is a number") << QByteArray("[TFrmMain]\nsize=@Size(330 260)\npos=7\n")
                                              << QSize(330, 260) << QPoint(200, 200);
        QTest::newRow("position holds a size") << QByteArray("[TFrmMain]\npos=@Size(1 2)\n") << QSize(400, 400)
                                               << QPoint(200, 200);
        QTest::newRow("damaged typed value") << QByteArray("[TFrmMain]\nsize=@Size(12\npos=@Point()\n")
                                             << QSize(400, 400) << QPoint(200, 200);
        QTest::newRow("state and geometry are junk")
            << QByteArray("[General]\nstate=junk\ngeometry=@ByteArray(\\0\\x1\\x2)\n") << QSize(400, 400)
            << QPoint(200, 200);
        QTest::newRow("not an ini file at all") << QByteArray::fromHex("FFFE0001") + " binary [[[ = ==\n"
                                                << QSize(400, 400) << QPoint(200, 200);
    }

    void storedEntriesAndTheirFallbacks()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QSize, size);
        QFETCH(QPoint, pos);
        writeIni(stateFile, ini);
        frmMain window;
        QCOMPARE(window.size(), size);
        QCOMPARE(window.pos(), pos);
        QVERIFY(!dock(window)->isFloating());
        QVERIFY(logText(window).isEmpty());
        // Reading never rewrites the file.
        QCOMPARE(QFile(stateFile).size(), qint64(ini.size()));
    }

    void stateOfAnotherVersionIsIgnored()
    {
        QByteArray floatingState;
        {
            frmMain window;
            dock(window)->setFloating(true);
            floatingState = window.saveState(1);
        }
        {
            QSettings stored(stateFile, QSettings::IniFormat);
            stored.setValue(u"state"_s, floatingState);
        }
        frmMain window;
        QVERIFY(!dock(window)->isFloating());
    }

    void unreadableFileIsSilent()
    {
        QVERIFY(QDir().mkdir(stateFile));
        QVERIFY(QDir().mkdir(optionsFile));
        frmMain window;
        QCOMPARE(window.size(), QSize(400, 400));
        QCOMPARE(window.pos(), QPoint(200, 200));
        window.close();
        QVERIFY(logText(window).isEmpty());
    }

    void optionKeepsItsStateAcrossARestart()
    {
        {
            frmMain window;
            QAction *option = addOption(window, u"actionOverwrite"_s, u"ini"_s, u"true"_s);
            window.readOptions();
            QVERIFY(option->isChecked());
            option->setChecked(false);
            // Toggling stores nothing until the window closes.
            QVERIFY(!QFile::exists(optionsFile));
            window.close();
        }
        {
            const QSettings stored(optionsFile, QSettings::IniFormat);
            QCOMPARE(stored.allKeys(), QStringList{u"Option/actionOverwrite"_s});
            QCOMPARE(stored.value(u"Option/actionOverwrite"_s).toString(), u"false"_s);
        }
        frmMain again;
        QAction *option = addOption(again, u"actionOverwrite"_s, u"ini"_s, u"true"_s);
        again.readOptions();
        QVERIFY(!option->isChecked());
        QVERIFY(logText(again).isEmpty());
    }

    void whichActionsAreOptions_data()
    {
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QString>("byDefault");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("isOption");
        QTest::newRow("default true") << u"ini"_s << u"true"_s << QByteArray() << true << true;
        QTest::newRow("default True is false") << u"ini"_s << u"True"_s << QByteArray() << false << true;
        QTest::newRow("no default") << u"ini"_s << QString() << QByteArray() << false << true;
        QTest::newRow("stored true wins") << u"ini"_s << QString() << QByteArray("true") << true << true;
        QTest::newRow("stored word counts as true") << u"ini"_s << QString() << QByteArray("yes") << true << true;
        QTest::newRow("stored 0") << u"ini"_s << u"true"_s << QByteArray("0") << false << true;
        QTest::newRow("stored FALSE") << u"ini"_s << u"true"_s << QByteArray("FALSE") << false << true;
        QTest::newRow("marker with a blank") << u"ini "_s << u"true"_s << QByteArray("true") << false << false;
        QTest::newRow("marker in capitals") << u"INI"_s << u"true"_s << QByteArray("true") << false << false;
    }

    void whichActionsAreOptions()
    {
        QFETCH(QString, marker);
        QFETCH(QString, byDefault);
        QFETCH(QByteArray, stored);
        QFETCH(bool, checked);
        QFETCH(bool, isOption);
        if (!stored.isNull())
            writeIni(optionsFile, "[Option]\nactionFlag=" + stored + "\n");
        frmMain window;
        QAction *option = addOption(window, u"actionFlag"_s, marker, byDefault);
        window.readOptions();
        QCOMPARE(option->isChecked(), checked);

        option->setChecked(!checked);
        window.close();
        const QSettings written(optionsFile, QSettings::IniFormat);
        if (isOption)
            QCOMPARE(written.value(u"Option/actionFlag"_s).toBool(), !checked);
        else
            QCOMPARE(written.value(u"Option/actionFlag"_s).toByteArray(), stored);
    }

    void optionsSharingANameShareOneKey()
    {
        frmMain window;
        QAction *first = addOption(window, u"actionTwin"_s, u"ini"_s, QString());
        QAction *second = addOption(window, u"actionTwin"_s, u"ini"_s, QString());
        window.readOptions();
        first->setChecked(false);
        second->setChecked(true);
        window.close();
        QCOMPARE(QSettings(optionsFile, QSettings::IniFormat).value(u"Option/actionTwin"_s).toBool(), true);
    }
};

QTEST_MAIN(tst_Persistence)
#include "tst_persistence.moc"
