#include "app/CommandLine.h"

#include <QTest>

class tst_CommandLine final : public QObject {
    Q_OBJECT

private slots:
    void switches_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("help");
        QTest::addColumn<bool>("hide");
        QTest::addColumn<bool>("uninstall");
        QTest::newRow("none") << QStringList{} << false << false << false;
        QTest::newRow("hide upper case") << QStringList{"/HIDE"} << false << true << false;
        QTest::newRow("hide among words")
            << QStringList{"x", "a/hideb", "y"} << false << true << false;
        QTest::newRow("help and hide") << QStringList{"/hide", "/?"} << true << true << false;
        QTest::newRow("uninstall exactly") << QStringList{"/uninstall"} << false << false << true;
        QTest::newRow("uninstall other case")
            << QStringList{"/Uninstall"} << false << false << false;
        QTest::newRow("uninstall and more")
            << QStringList{"/uninstall", "now"} << false << false << false;
    }

    void switches()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, help);
        QFETCH(bool, hide);
        QFETCH(bool, uninstall);
        arguments.prepend(QStringLiteral("/usr/bin/kestrowind2"));
        const StartOptions start = CommandLine::parse(CommandLine::argumentText(arguments));
        QCOMPARE(start.help, help);
        QCOMPARE(start.hide, hide);
        QCOMPARE(start.uninstall, uninstall);
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
