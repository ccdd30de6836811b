#include "app/frmmain.h"

#include <QAction>
#include <QDockWidget>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QImage argb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage iconImage(const QIcon &icon)
{
    return argb(icon.pixmap(QSize(48, 48)).toImage());
}

} // namespace

class tst_MainWindow : public QObject {
    Q_OBJECT

private:
    QString startFolder = QDir::currentPath();
    std::unique_ptr<QTemporaryDir> dir;

    static QTextEdit *pane(frmMain &window) { return window.findChild<QTextEdit *>(QStringLiteral("txtDebug")); }
    static QStringList paneLines(frmMain &window) { return pane(window)->toPlainText().split(QLatin1Char('\n')); }
    template <typename T>
    static T *child(frmMain &window, const char *name)
    {
        return window.findChild<T *>(QLatin1String(name));
    }

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

    void partsHaveTheirNamesAndClasses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("className");
        const std::pair<const char *, const char *> parts[] = {
            {"actionDecompile", "QAction"}, {"actionTest", "QAction"},        {"actionCompile", "QAction"},
            {"actionReCompile", "QAction"}, {"actionAbout", "QAction"},       {"centralWidget", "QWidget"},
            {"menuBar", "QMenuBar"},        {"menuFile", "QMenu"},            {"menuDebug", "QMenu"},
            {"menuAbout", "QMenu"},         {"mainToolBar", "QToolBar"},      {"statusBar", "QStatusBar"},
            {"dwgOut", "QDockWidget"},      {"txtDebug", "QTextEdit"},
        };
        for (const auto &[name, className] : parts)
            QTest::newRow(name) << QString::fromLatin1(name) << QByteArray(className);
    }

    void partsHaveTheirNamesAndClasses()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, className);
        frmMain window;
        const QList<QObject *> found = window.findChildren<QObject *>(name);
        QCOMPARE(found.size(), 1);
        QVERIFY2(found.first()->inherits(className.constData()), found.first()->metaObject()->className());
    }

    void frameOfTheWindow()
    {
        frmMain window;
        QCOMPARE(window.centralWidget(), child<QWidget>(window, "centralWidget"));
        QCOMPARE(window.menuBar(), child<QMenuBar>(window, "menuBar"));
        QCOMPARE(window.menuBar()->geometry(), QRect(0, 0, 579, 18));
        QCOMPARE(window.statusBar(), child<QStatusBar>(window, "statusBar"));
        QVERIFY(window.statusBar()->currentMessage().isEmpty());

        QStringList titles;
        for (QAction *entry : window.menuBar()->actions())
            titles << entry->text();
        QCOMPARE(titles, (QStringList{u"File"_s, u"Debug"_s, u"Help"_s}));
        QCOMPARE(window.menuBar()->actions().at(0)->menu(), child<QMenu>(window, "menuFile"));
        QCOMPARE(window.menuBar()->actions().at(1)->menu(), child<QMenu>(window, "menuDebug"));
        QCOMPARE(window.menuBar()->actions().at(2)->menu(), child<QMenu>(window, "menuAbout"));

        auto *dock = child<QDockWidget>(window, "dwgOut");
        QVERIFY(dock);
        QCOMPARE(dock->windowTitle(), QStringLiteral("Output Window"));
        QCOMPARE(dock->allowedAreas(), Qt::BottomDockWidgetArea);
        QCOMPARE(window.dockWidgetArea(dock), Qt::BottomDockWidgetArea);
        QCOMPARE(dock->minimumSize(), QSize(292, 85));
        QCOMPARE(dock->features(), QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable
                                       | QDockWidget::DockWidgetFloatable);
        QVERIFY(!dock->isFloating());

        QTextEdit *log = pane(window);
        QVERIFY(log);
        QVERIFY(dock->isAncestorOf(log));
        QCOMPARE(log->font().family(), QStringLiteral("Tahoma"));
        QVERIFY(!log->isReadOnly());
        QVERIFY(log->toPlainText().isEmpty());
    }

    void menusAndToolbarShareTheActions()
    {
        frmMain window;
        auto *decompile = child<QAction>(window, "actionDecompile");
        auto *compile = child<QAction>(window, "actionCompile");
        auto *reCompile = child<QAction>(window, "actionReCompile");
        auto *test = child<QAction>(window, "actionTest");
        auto *aboutAction = child<QAction>(window, "actionAbout");
        QCOMPARE(child<QMenu>(window, "menuFile")->actions(), (QList<QAction *>{decompile, compile, reCompile}));
        QCOMPARE(child<QMenu>(window, "menuDebug")->actions(), (QList<QAction *>{test}));
        QCOMPARE(child<QMenu>(window, "menuAbout")->actions(), (QList<QAction *>{aboutAction}));
        QCOMPARE(child<QToolBar>(window, "mainToolBar")->actions(),
                 (QList<QAction *>{decompile, compile, reCompile}));
        QCOMPARE(decompile->text(), QStringLiteral("Decompile"));
        QCOMPARE(compile->text(), QStringLiteral("Compile"));
        QCOMPARE(reCompile->text(), QStringLiteral("ReCompile"));
        QCOMPARE(test->text(), QStringLiteral("Test"));
        QCOMPARE(aboutAction->text(), QStringLiteral("About"));
        QVERIFY(decompile->isEnabled());
        QVERIFY(compile->isEnabled());
        QVERIFY(!reCompile->isEnabled());
    }

    void iconResourcesLoad_data()
    {
        QTest::addColumn<QString>("path");
        for (const char *name : {"37", "39", "48", "50", "52", "65"})
            QTest::newRow(name) << QStringLiteral(":/icons/48/%1.png").arg(QLatin1String(name));
    }

    void iconResourcesLoad()
    {
        QFETCH(QString, path);
        const QImage image(path);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(48, 48));
        QVERIFY(image.hasAlphaChannel());
        for (const char *other : {"37", "39", "48", "50", "52", "65"}) {
            const QString otherPath = QStringLiteral(":/icons/48/%1.png").arg(QLatin1String(other));
            if (otherPath != path)
                QVERIFY2(argb(QImage(otherPath)) != argb(image), qPrintable(otherPath));
        }
    }

    void actionsShowTheirIcons_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("path");
        QTest::newRow("Decompile") << u"actionDecompile"_s << u":/icons/48/39.png"_s;
        QTest::newRow("Compile") << u"actionCompile"_s << u":/icons/48/37.png"_s;
        QTest::newRow("ReCompile") << u"actionReCompile"_s << u":/icons/48/48.png"_s;
        QTest::newRow("About") << u"actionAbout"_s << u":/icons/48/65.png"_s;
        QTest::newRow("Test") << u"actionTest"_s << u""_s;
        QTest::newRow("window") << u""_s << u":/icons/48/50.png"_s;
    }

    void actionsShowTheirIcons()
    {
        QFETCH(QString, action);
        QFETCH(QString, path);
        frmMain window;
        const QIcon icon = action.isEmpty() ? window.windowIcon() : window.findChild<QAction *>(action)->icon();
        if (path.isEmpty()) {
            QVERIFY(icon.isNull());
            return;
        }
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.availableSizes(), (QList<QSize>{QSize(48, 48)}));
        // Drawn the same way as the file itself, and the six files all differ.
        QCOMPARE(iconImage(icon), iconImage(QIcon(path)));
        for (const char *other : {"37", "39", "48", "50", "52", "65"}) {
            const QString otherPath = QStringLiteral(":/icons/48/%1.png").arg(QLatin1String(other));
            if (otherPath != path)
                QVERIFY2(iconImage(icon) != iconImage(QIcon(otherPath)), qPrintable(otherPath));
        }
    }

    void titleAndRetranslation()
    {
        frmMain window;
        QCOMPARE(window.windowTitle(), QStringLiteral("QORUtil 1.0"));
        QEvent languageChange(QEvent::LanguageChange);
        QCoreApplication::sendEvent(&window, &languageChange);
        QCOMPARE(window.windowTitle(), QStringLiteral("frmMain"));
        QCOMPARE(child<QDockWidget>(window, "dwgOut")->windowTitle(), QStringLiteral("Output Window"));
        QCOMPARE(child<QAction>(window, "actionDecompile")->text(), QStringLiteral("Decompile"));
    }

    // One message counter serves the whole process, so this finds the next rotation first
    // and measures from there, whatever was logged before.
    void logRotatesAfterAThousandLines()
    {
        frmMain window;
        QTextDocument *document = pane(window)->document();
        int calls = 0;
        while (document->firstBlock().text() != QLatin1String("...")) {
            QVERIFY2(calls < 1100, "no rotation within 1100 messages");
            window.logLine(QStringLiteral("fill %1").arg(calls++));
        }
        QCOMPARE(paneLines(window), (QStringList{u"..."_s, QStringLiteral("fill %1").arg(calls - 1)}));

        for (int i = 0; i < 1000; ++i)
            window.logFormat("line %d", i);
        const QStringList full = paneLines(window);
        QCOMPARE(full.size(), 1002);
        QCOMPARE(full.first(), QStringLiteral("..."));
        QCOMPARE(full.at(1), QStringLiteral("fill %1").arg(calls - 1));
        QCOMPARE(full.at(2), QStringLiteral("line 0"));
        QCOMPARE(full.last(), QStringLiteral("line 999"));

        window.logLine(QStringLiteral("after"));
        QCOMPARE(paneLines(window), (QStringList{u"..."_s, u"after"_s}));
        QCOMPARE(document->blockCount(), 2);
    }

    void emptyMessageIsAParagraph()
    {
        frmMain window;
        window.logLine(QStringLiteral("before"));
        QTextDocument *document = pane(window)->document();
        const int blocks = document->blockCount();
        window.logLine(QString());
        QCOMPARE(document->blockCount(), blocks + 1);
        QVERIFY(document->lastBlock().text().isEmpty());
        window.logLine(QStringLiteral("after"));
        QCOMPARE(document->blockCount(), blocks + 2);
        QCOMPARE(paneLines(window).mid(paneLines(window).size() - 3), (QStringList{u"before"_s, QString(), u"after"_s}));
    }

    void messagesShowAsWritten_data()
    {
        QTest::addColumn<bool>("formatted");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("shown");
        QByteArray longText;
        for (int i = 0; i < 1500; ++i)
            longText.append(char('a' + i % 26));
        QTest::newRow("long formatted line is cut") << true << longText << QString::fromLatin1(longText.left(1023));
        QTest::newRow("high bytes as Latin-1") << true << QByteArray("\xE9\xFF\x80")
                                               << QStringLiteral("\u00E9\u00FF\u0080");
        QTest::newRow("markup formatted") << true << QByteArray("<b>bold</b> <img src=x>")
                                          << QStringLiteral("<b>bold</b> <img src=x>");
        QTest::newRow("markup line") << false << QByteArray("<b>bold</b> <img src=x>")
                                     << QStringLiteral("<b>bold</b> <img src=x>");
        QTest::newRow("entity line") << false << QByteArray("a &amp; b &lt;p&gt;")
                                     << QStringLiteral("a &amp; b &lt;p&gt;");
        QTest::newRow("tabs and spaces") << false << QByteArray("  two\tcells  ") << QStringLiteral("  two\tcells  ");
    }

    void messagesShowAsWritten()
    {
        QFETCH(bool, formatted);
        QFETCH(QByteArray, input);
        QFETCH(QString, shown);
        frmMain window;
        window.logLine(QStringLiteral("first"));
        if (formatted)
            window.logFormat("%s", input.constData());
        else
            window.logLine(QString::fromLatin1(input));
        QTextDocument *document = pane(window)->document();
        QCOMPARE(document->lastBlock().text(), shown);
        QCOMPARE(paneLines(window).last(), shown);
        QVERIFY(pane(window)->toPlainText().endsWith(shown));
        // Nothing was turned into an object such as an image.
        QVERIFY(!document->toRawText().contains(QChar::ObjectReplacementCharacter));
    }

    void everyMessageIsBlack()
    {
        frmMain window;
        QTextEdit *log = pane(window);
        log->setTextColor(Qt::red);
        window.logLine(QStringLiteral("one"));
        window.appendLog(QStringLiteral("two"), QColor(Qt::black));
        log->setTextColor(Qt::blue);
        window.logFormat("%s %d", "three", 3);
        window.logLine(QStringLiteral("<font color=red>four</font>"));
        int fragments = 0;
        for (QTextBlock block = log->document()->firstBlock(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.isValid())
                    continue;
                ++fragments;
                QCOMPARE(fragment.charFormat().foreground().color(), QColor(Qt::black));
            }
        }
        QVERIFY(fragments >= 4);
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
