#include "app/about.h"
#include "app/filedialog.h"
#include "app/frmmain.h"

#include <QAction>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

class tst_About : public QObject {
    Q_OBJECT

private:
    int dialogCalls = 0;

    static void openAbout(frmMain &window)
    {
        window.findChild<QAction *>(QStringLiteral("actionAbout"))->trigger();
    }

    // A click as the windowing system delivers it, so modality applies.
    static void clickDecompileButton(frmMain &window)
    {
        auto *toolBar = window.findChild<QToolBar *>(QStringLiteral("mainToolBar"));
        QWidget *button = toolBar->widgetForAction(window.findChild<QAction *>(QStringLiteral("actionDecompile")));
        QVERIFY(button);
        const QPoint centre = button->mapTo(&window, button->rect().center());
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, centre);
    }

private slots:
    void init()
    {
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
    }

    void formAsBuilt()
    {
        about form;
        QCOMPARE(form.objectName(), QStringLiteral("about"));
        QCOMPARE(form.windowTitle(), QStringLiteral("About"));
        QCOMPARE(form.windowModality(), Qt::ApplicationModal);
        QCOMPARE(form.size(), QSize(267, 171));
        QVERIFY(form.isWindow());
        const auto image = [](const QIcon &icon) {
            return icon.pixmap(QSize(48, 48)).toImage().convertToFormat(QImage::Format_ARGB32);
        };
        QCOMPARE(image(form.windowIcon()), image(QIcon(QStringLiteral(":/icons/48/65.png"))));

        auto *button = form.findChild<QPushButton *>(QStringLiteral("pushButton"));
        auto *browser = form.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
        QVERIFY(button && browser);
        QCOMPARE(button->text(), QStringLiteral("OK"));
        QCOMPARE(button->geometry(), QRect(90, 140, 75, 23));
        QCOMPARE(browser->geometry(), QRect(10, 10, 241, 121));
        QCOMPARE(browser->frameShape(), QFrame::Box);
        QCOMPARE(browser->frameShadow(), QFrame::Plain);
        QCOMPARE(browser->toPlainText(), QStringLiteral("Have Fun!!"));
        QVERIFY(browser->document()->defaultStyleSheet().isEmpty());

        // The children keep their places when the user resizes the window.
        form.resize(500, 400);
        QCOMPARE(button->geometry(), QRect(90, 140, 75, 23));
        QCOMPARE(browser->geometry(), QRect(10, 10, 241, 121));
    }

    void formKeepsAGivenName()
    {
        about form;
        form.setObjectName(QStringLiteral("credits"));
        QEvent languageChange(QEvent::LanguageChange);
        QCoreApplication::sendEvent(&form, &languageChange);
        QCOMPARE(form.objectName(), QStringLiteral("credits"));
        QCOMPARE(form.windowTitle(), QStringLiteral("About"));
        QCOMPARE(form.findChild<QTextBrowser *>()->toPlainText(), QStringLiteral("Have Fun!!"));
    }

    void oneWindowHowEverOftenOpened()
    {
        frmMain window;
        QVERIFY(!about::instance());
        openAbout(window);
        QPointer<about> first = about::instance();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QVERIFY(first->isWindow());
        QVERIFY(!first->parent());

        first->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        QVERIFY(!first->isVisible());
        QVERIFY(first);

        openAbout(window);
        openAbout(window);
        QCOMPARE(about::instance(), first.data());
        QVERIFY(first->isVisible());
        QCOMPARE(QApplication::topLevelWidgets().count(first.data()), 1);

        // Closing from the title bar only hides it, too.
        first->close();
        QVERIFY(first);
        QVERIFY(!first->isVisible());
    }

    void modalWhileShown()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        clickDecompileButton(window);
        QCOMPARE(dialogCalls, 1);

        openAbout(window);
        about *shown = about::instance();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        QCOMPARE(QApplication::activeModalWidget(), shown);
        clickDecompileButton(window);
        QCOMPARE(dialogCalls, 1);

        shown->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        QVERIFY(!QApplication::activeModalWidget());
        clickDecompileButton(window);
        QCOMPARE(dialogCalls, 2);
    }

    // Last: the run's end frees the window while the application object still exists.
    void freedWhenTheRunEnds()
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
        QVERIFY(!about::instance());
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
