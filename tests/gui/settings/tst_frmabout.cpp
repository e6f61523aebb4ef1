// The settings dialog: one fixed window holding the options, what closing it keeps, the
// first-run welcome; and the update link that hands over to the update client.
#include "MainWindowFixture.h"
#include "core/app/Platform.h"
#include "core/app/Version.h"
#include "gui/settings/SettingsHolder.h"
#include "gui/settings/UpdateLauncher.h"
#include "gui/settings/frmAbout.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QSignalSpy>

#include <tuple>

namespace {

// A main window stand-in with its own store and autostart folder. Not a first run, so no
// welcome box gets in the way.
struct Fixture {
    Fixture() { write("first", QStringLiteral("true")); }
    QString read(const char* key) const { return store.read(App, Opts, QLatin1String(key)); }
    void write(const char* key, const QString& v) { store.write(App, Opts, QLatin1String(key), v); }
    template<typename Widget = QLabel> Widget* control(const char* name)
    {
        return holder.dialog().findChild<Widget*>(QLatin1String(name));
    }
    static void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton, {}, {2, 2}); }

    const QString App = QStringLiteral("kestrowind2"), Opts = QStringLiteral("options");
    QTemporaryDir dir;
    QSettingsStore store{dir.filePath(QStringLiteral("config"))};
    PlatformAutostart autostart{dir.filePath(QStringLiteral("autostart"))};
    QWidget window;
    SettingsHolder holder{store, autostart, dir.path(), [] { return QStringLiteral("v provozu"); },
                          &window};
};

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

class tst_frmAbout final : public QObject {
    Q_OBJECT

public slots:
    void openUrl(const QUrl& url) { m_opened.append(url); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_CONFIG_HOME", m_home.path().toLocal8Bit());
        // Links must not reach a real browser.
        for (const QString scheme : {"http", "https"})
            QDesktopServices::setUrlHandler(scheme, this, "openUrl");
    }
    void cleanupTestCase()
    {
        for (const QString scheme : {"http", "https"})
            QDesktopServices::unsetUrlHandler(scheme);
    }

    void oneFixedTopmostDialogWhoseLinksLeaveItOpen()
    {
        Fixture f;
        frmAbout* made = &f.holder.dialog();
        QVERIFY(!made->isVisible());
        QCOMPARE(made->windowTitle(), QStringLiteral("nastavení aplikace"));
        QCOMPARE(made->maximumSize(), made->minimumSize());
        QCOMPARE(f.control("lblVersion")->text(), QStringLiteral("v.: %1.%2 build: %3")
                                                      .arg(Version::Major)
                                                      .arg(Version::Minor)
                                                      .arg(Version::Build));
        QVERIFY(made->rect().contains(f.control("lblVersion")->geometry()));

        QSignalSpy update(&f.holder, &SettingsHolder::updateLinkClicked);
        f.holder.show();
        f.holder.show();
        QCOMPARE(&f.holder.dialog(), made);
        QCOMPARE(f.window.findChildren<frmAbout*>().size(), 1);
        QVERIFY(made->isVisible() && !made->isModal());
        QVERIFY(made->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

        Fixture::click(f.control("Label4"));
        Fixture::click(f.control("Image2"));
        const QUrl web(QStringLiteral("http://www.orlathe.example"));
        QCOMPARE(m_opened, (QList<QUrl>{web, web}));
        Fixture::click(f.control("Label36"));
        QCOMPARE(update.count(), 1);
        QVERIFY(made->isVisible());
    }

    void theHiddenDialogHoldsEachOption()
    {
        const std::tuple<const char*, const char*, bool Options::*> boxes[] = {
            {"Check1", "spouštět aplikaci po startu operačního systému", &Options::afterstart},
            {"Check2", "po spuštění aplikaci minimalizovat", &Options::totray},
            {"Check3", "upozorňovat na aktivitu v chatu bublinou", &Options::tooltip},
            {"Check4", "při aktivitě v chatu přehrát zvuk", &Options::playsound},
            {"Check5", "maximalizovat okno", &Options::maxokno},
            {"Check6", "přehrát zvuk", &Options::playwhenmin}};
        Fixture f;
        for (const auto& [name, text, option] : boxes) {
            auto* box = f.control<QCheckBox>(name);
            QVERIFY2(box && box->text() == QString::fromUtf8(text), name);
            Options ticked;
            ticked.*option = true;
            f.holder.dialog().setOptions(ticked);
            QVERIFY2(box->isChecked(), name);
            QVERIFY2(f.holder.current() == ticked, name);
        }
    }

    void closingDropsEditsUnlessSaved()
    {
        enum Way { Storno, CloseBox, Save };
        for (const Way way : {Storno, CloseBox, Save}) {
            Fixture f;
            f.write("nick", QStringLiteral("starý"));
            f.holder.show();
            QPointer<frmAbout> shown = &f.holder.dialog();
            f.control<QLineEdit>("Text1")->setText(QStringLiteral("nový"));
            Fixture::click(f.control<QCheckBox>("Check1"));
            const Options edited{QStringLiteral("nový"), true};
            QCOMPARE(f.holder.current(), edited);
            QStringList announced;
            connect(&f.holder, &SettingsHolder::nickConfirmed, this,
                    [&](const QString& nick) { announced << nick << f.read("nick"); });

            if (way == CloseBox)
                shown->close();
            else
                Fixture::click(f.control(way == Storno ? "Label2" : "Label1"));
            // Forgotten at once, deleted only when control is back in the event loop.
            QVERIFY(shown && !shown->isVisible());
            QCOMPARE(f.holder.current(), way == Save ? edited : Options{QStringLiteral("starý")});
            QCOMPARE(f.autostart.isEnabled(), way == Save);
            // "uložit změny" announces the new nick while the old one is still stored.
            QCOMPARE(announced, (way == Save ? QStringList{"nový", "starý"} : QStringList{}));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!shown);
        }
    }

    // Tab goes through every control as they read, the links included, round to the start.
    void tabReachesEveryControlInReadingOrder()
    {
        Fixture f;
        f.holder.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.holder.dialog()));
        QStringList chain{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            chain << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(chain,
                 (QStringList{"Text1", "Check3", "Check5", "Check6", "Check1", "Check2", "Check4",
                              "Label36", "Label2", "Label1", "Label4", "Image2", "Text1"}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Image2"));
    }

    // Enter saves and Escape cancels wherever the focus is; on a link, Enter and Space follow it.
    void keysActOnTheFocusedControl_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("Enter in the nick") << "Text1" << int(Qt::Key_Return) << "saved";
        QTest::newRow("Enter on a box") << "Check4" << int(Qt::Key_Enter) << "saved";
        QTest::newRow("Escape in the nick") << "Text1" << int(Qt::Key_Escape) << "closed";
        QTest::newRow("Escape on a link") << "Label4" << int(Qt::Key_Escape) << "closed";
        QTest::newRow("Enter on storno") << "Label2" << int(Qt::Key_Return) << "closed";
        QTest::newRow("Space on save") << "Label1" << int(Qt::Key_Space) << "saved";
        QTest::newRow("Enter on the update link") << "Label36" << int(Qt::Key_Return) << "update";
        QTest::newRow("Space on the bank") << "Image2" << int(Qt::Key_Space) << "web";
    }
    void keysActOnTheFocusedControl()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QString, outcome);
        Fixture f;
        f.holder.show();
        QPointer<frmAbout> dialog = &f.holder.dialog();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        f.control<QLineEdit>("Text1")->setText(QStringLiteral("nový"));
        QSignalSpy update(&f.holder, &SettingsHolder::updateLinkClicked);
        m_opened.clear();
        QWidget* control = f.control<QWidget>(focus.toLatin1());
        control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(control, Qt::Key(key));
        const QString happened = update.count()        ? "update"
                                 : !m_opened.isEmpty() ? "web"
                                 : !dialog->isVisible()
                                     ? (f.read("nick") == "nový" ? "saved" : "closed")
                                     : "nothing";
        QCOMPARE(happened, outcome);
    }

    // A link with the keyboard looks it, as the other controls do.
    void aFocusedLinkShowsIt()
    {
        Fixture f;
        f.holder.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.holder.dialog()));
        for (const char* name : {"Label4", "Image2", "Label36", "Label2", "Label1"}) {
            QWidget* link = f.control<QWidget>(name);
            const QImage unfocused = link->grab().toImage();
            link->setFocus(Qt::TabFocusReason);
            QVERIFY2(link->grab().toImage() != unfocused, name);
        }
    }

    void emptiedNickKeepsTheNickInUse()
    {
        Fixture f;
        f.holder.show();
        f.control<QLineEdit>("Text1")->clear();
        QSignalSpy announced(&f.holder, &SettingsHolder::nickConfirmed);
        Fixture::click(f.control("Label1"));
        QCOMPARE(announced.value(0).value(0).toString(), QStringLiteral("v provozu"));
        QCOMPARE(f.read("nick"), QStringLiteral("v provozu"));
    }

    void windowTakesHolderAndClosedDialogAlong()
    {
        Fixture f;
        auto* window = new QWidget;
        QPointer<SettingsHolder> holder =
            new SettingsHolder(f.store, f.autostart, f.dir.path(), {}, window);
        holder->show();
        QPointer<frmAbout> dialog = &holder->dialog();
        dialog->close(); // its deletion still pending
        delete window;
        QVERIFY(!holder && !dialog);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void firstRunWelcomesOnceWithoutBlocking()
    {
        Fixture f;
        f.write("first", {}); // never marked as run
        QCOMPARE(f.holder.current().nick, Platform::GetWindowsUserName());
        auto* box = f.window.findChild<QMessageBox*>();
        QVERIFY(box && box->isVisible() && box->windowModality() == Qt::NonModal);
        QVERIFY(box->text().startsWith(QStringLiteral("Vítejte v aplikaci")));

        f.holder.dialog().close();
        f.holder.current();
        QCOMPARE(f.window.findChildren<QMessageBox*>().size(), 1);
    }

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

    // However the client wrote its folder, the launcher finds it there and hands over; a client
    // that cannot start is reported and the program stays.
    void anInstalledClientTakesOverOrIsReported_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QFile::Permissions>("permissions");
        QTest::addColumn<QString>("error"); // empty: it starts
        const QFile::Permissions runs = QFile::ReadOwner | QFile::ExeOwner;
        QTest::newRow("trailing separator") << "/" << runs << "";
        QTest::newRow("no separator") << "" << runs << "";
        QTest::newRow("two separators") << "//" << runs << "";
        QTest::newRow("missing") << "" << QFile::Permissions{}
                                 << "číslo 2.\nsoubor %1 nebyl nalezen.";
        QTest::newRow("not executable")
            << "" << QFile::Permissions{QFile::ReadOwner} << "číslo 13.\nsoubor %1 nelze spustit.";
    }
    void anInstalledClientTakesOverOrIsReported()
    {
        QFETCH(QString, suffix);
        QFETCH(QFile::Permissions, permissions);
        QFETCH(QString, error);
        Launcher l(suffix, permissions);
        if (error.isEmpty()) {
            QCOMPARE(l.click({Button::Yes}), QStringList{Question});
            QCOMPARE(l.store.read(Service, "script", "returncode"), QStringLiteral("Kestrowind2"));
            QVERIFY(l.handedOver.count() == 1 && !l.dialog.isVisible());
            QTRY_VERIFY(QFile::exists(l.client + ".ran"));
            return;
        }
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
    QTemporaryDir m_home;
    QList<QUrl> m_opened;
};

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
