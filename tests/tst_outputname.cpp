#include "core/outputname.h"

#include <QtTest>

class tst_OutputName : public QObject {
    Q_OBJECT

private slots:
    void decompiledPaths_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("usual") << "C:/anim/walk.reanim.compiled" << "C:/anim/walk.reanim";
        QTest::newRow("folder names untouched") << "C:/x.reanim.compiled/walk.reanim.compiled"
                                                << "C:/x.reanim.compiled/walk.reanim";
        QTest::newRow("every occurrence in the name") << "/a/a.reanim.compiled.reanim.compiled" << "/a/a.reanim.reanim";
        QTest::newRow("plain .compiled") << "/a/walk.compiled" << "/a/walk.reanim";
        QTest::newRow("capitals") << "/a/WALK.REANIM.COMPILED" << "/a/WALK.REANIM";
        QTest::newRow("mixed case .reanim kept") << "/a/walk.Reanim.compiled" << "/a/walk.Reanim";
        QTest::newRow("no ending") << "/a/walk" << "/a/walk.reanim";
        QTest::newRow("other ending") << "/a/walk.bin" << "/a/walk.bin.reanim";
        QTest::newRow("already .reanim") << "/a/walk.reanim" << "/a/walk.reanim.reanim";
        QTest::newRow("no folder") << "walk.reanim.compiled" << "walk.reanim";
    }
    void decompiledPaths()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QCOMPARE(qor::decompiledPathFor(input), output);
        QVERIFY(qor::decompiledPathFor(input) != input);
    }

    void compiledPathsAppendCompiled()
    {
        QCOMPARE(qor::compiledPathFor(QStringLiteral("/a/walk.reanim")), QStringLiteral("/a/walk.reanim.compiled"));
        QCOMPARE(qor::compiledPathFor(QStringLiteral("/a/walk.xml")), QStringLiteral("/a/walk.xml.compiled"));
    }
};

QTEST_APPLESS_MAIN(tst_OutputName)
#include "tst_outputname.moc"
