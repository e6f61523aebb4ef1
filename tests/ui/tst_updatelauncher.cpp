#include "MainWindowFixture.h"
#include "ui/SettingsHolder.h"
#include "ui/UpdateLauncher.h"
#include "ui/frmAbout.h"

#include <QDesktopServices>
#include <QSignalSpy>
#include <QTest>

namespace {

using Button = QMessageBox::StandardButton;
const QString Service = QStringLiteral("orlathe_UpdateService");
const QString Question = QStringLiteral("Dotaz|Chcete-li zjistit nové verze, musíte aplikaci "
                                        "ukončit. Chcete aplikaci ukončit nyní?");

// A settings dialog with the launcher behind its link, and a client that leaves a mark when
// it runs.
struct Launcher {
    explicit Launcher(const QString& folderSuffix = {}, QFile::Permissions permissions = {})
    {
        dialog.show();
        QDir(dir.path()).mkpath(QStringLiteral("klient"));
        if (permissions) {
            QFile file(client);
            file.open(QIODevice::WriteOnly);
            file.write("#!/bin/sh\ntouch \"$0.ran\"\n");
            file.setPermissions(permissions);
        }
        if (!folderSuffix.isNull())
            store.write(Service, "options", "path", dir.filePath("klient") + folderSuffix);
    }
    QStringList click(const QList<Button>& answers)
    {
        launcher.Label36_Click(&dialog);
        QStringList shown;
        for (const Button button : answers)
            shown << answerBox(button);
        return shown;
    }

    QTemporaryDir dir;
    QString client = UpdateLauncher::clientPath(dir.filePath(QStringLiteral("klient")));
    QSettingsStore store{dir.path()};
    QWidget dialog;
    UpdateLauncher launcher{store};
    QSignalSpy handedOver{&launcher, &UpdateLauncher::handedOver};
};

} // namespace

class tst_UpdateLauncher final : public QObject {
    Q_OBJECT

public slots:
    void openUrl(const QUrl& url) { m_opened.append(url); }

private slots:
    void initTestCase()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

    void withoutTheClientTheUserIsToldHowToGetIt_data()
    {
        QTest::addColumn<QList<Button>>("answers");
        QTest::addColumn<bool>("download");
        QTest::newRow("not now") << QList<Button>{Button::No} << false;
        QTest::newRow("yes, yes") << QList<Button>{Button::Yes, Button::Ok, Button::Yes, Button::Ok}
                                  << true;
        QTest::newRow("yes, no") << QList<Button>{Button::Yes, Button::Ok, Button::No} << false;
    }
    void withoutTheClientTheUserIsToldHowToGetIt()
    {
        QFETCH(QList<Button>, answers);
        QFETCH(bool, download);
        Launcher l;
        m_opened.clear();
        const QStringList shown = l.click(answers);
        QCOMPARE(shown.first(), Question);
        if (answers.size() > 1) {
            QCOMPARE(shown.at(1), "Orlathe UpdateService|Na vašem počítači není nainstalován "
                                  "klient služby Orlathe UpdateService, který zajišťuje inovace "
                                  "z internetu.");
            QVERIFY(shown.at(2).contains("ANO.\n\nNechcete-li nyní klienta stahovat, klikněte"));
        }
        QVERIFY(!shown.contains(QStringLiteral("(no box)")) && !shownDialog<QMessageBox>());
        QCOMPARE(m_opened.size(), download ? 1 : 0);
        QVERIFY(l.dialog.isVisible() && l.handedOver.isEmpty());
        QCOMPARE(l.store.read(Service, "script", "returncode"), QString());
    }

    // However the client wrote its folder, the launcher finds the client in it.
    void anInstalledClientIsStartedAndTakesOver_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("trailing separator") << "/";
        QTest::newRow("none") << "";
        QTest::newRow("two") << "//";
    }
    void anInstalledClientIsStartedAndTakesOver()
    {
        QFETCH(QString, suffix);
        Launcher l(suffix, QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(l.click({Button::Yes}), QStringList{Question});
        QCOMPARE(l.store.read(Service, "script", "returncode"), QStringLiteral("Kestrowind2"));
        QCOMPARE(l.handedOver.count(), 1);
        QVERIFY(!l.dialog.isVisible());
        QTRY_VERIFY(QFile::exists(l.client + ".ran"));
    }

    void aClientThatCannotStartIsReportedAndTheProgramStays_data()
    {
        QTest::addColumn<QFile::Permissions>("permissions");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing") << QFile::Permissions{} << "číslo 2.\nsoubor %1 nebyl nalezen.";
        QTest::newRow("not executable")
            << QFile::Permissions{QFile::ReadOwner} << "číslo 13.\nsoubor %1 nelze spustit.";
    }
    void aClientThatCannotStartIsReportedAndTheProgramStays()
    {
        QFETCH(QFile::Permissions, permissions);
        QFETCH(QString, error);
        Launcher l(QString(""), permissions);
        QCOMPARE(l.click({Button::Yes, Button::Ok}),
                 (QStringList{Question, "Orlathe UpdateService|Během souštění klienta, který "
                                        "provádí inovace nastala chyba " +
                                            error.arg(l.client)}));
        QVERIFY(l.dialog.isVisible() && l.handedOver.isEmpty());
    }

    // The hand-over ends the program without the shutdown sequence: no goodbye to the peers.
    void theWindowEndsWithoutSayingGoodbye()
    {
        MainWindowFixture w;
        QVERIFY(w.start());
        Launcher l(QString(), QFile::ReadOwner | QFile::ExeOwner);
        w.store.write(Service, "options", "path", l.dir.filePath("klient"));
        QSignalSpy unloaded(&w.window, &frmchat::unloaded);
        w.window.settings().show();
        QTest::mouseClick(w.window.settings().dialog().findChild<QWidget*>("Label36"),
                          Qt::LeftButton, {}, {2, 2});
        QCOMPARE(answerBox(Button::Yes), Question);
        QCOMPARE(unloaded.count(), 1);
        w.window.Form_Unload(); // what the end of the event loop calls
        QVERIFY(w.tray.isInTray());
        QCOMPARE(unloaded.count(), 1);
        QTRY_VERIFY(QFile::exists(l.client + ".ran"));
    }

private:
    QList<QUrl> m_opened;
};

QTEST_MAIN(tst_UpdateLauncher)
#include "tst_updatelauncher.moc"
