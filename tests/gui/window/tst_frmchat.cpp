// The main window as a user meets it: start-up lines, menus, typing, the user list, notes;
// hiding into the tray and coming back, and the layout as the window is resized.
#include "MainWindowFixture.h"
#include "core/app/Platform.h"
#include "core/app/Version.h"
#include "core/protocol/Messages.h"
#include "core/protocol/Roster.h"
#include "gui/settings/SettingsHolder.h"
#include "gui/settings/frmAbout.h"
#include "gui/window/Composer.h"
#include "gui/window/UserListView.h"

#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>

namespace {

// A started window whose user comes back as "Jana", with a tray icon or without.
struct Chat : MainWindowFixture {
    explicit Chat(bool trayAvailable = true, bool totray = false,
                  QHostAddress broadcast = QHostAddress(QHostAddress::LocalHost))
        : MainWindowFixture(broadcast)
    {
        trayIcon->available = trayAvailable;
        storeOption(QStringLiteral("totray"), QString::number(int(totray)));
        start(QStringLiteral("Jana"));
    }
    void type(const QString& text)
    {
        window.sendtext()->setText(text);
        QTest::keyClick(window.sendtext(), Qt::Key_Return);
    }
    bool shown() const { return window.isVisible() && !window.isMinimized(); }
    // Exactly one of the two window items is usable, the one that makes sense now.
    bool itemsSay(bool shown) const
    {
        return window.menus().mnu_hidewindow->isEnabled() == shown &&
               window.menus().mnu_showwindow->isEnabled() != shown;
    }
};

} // namespace

class tst_frmchat final : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (QMessageBox* box : shownWindows<QMessageBox>())
            box->close();
    }

    // Lines show when their broadcast comes back; "/about" is shown here and never sent.
    void typedLinesGoOutAndAboutStaysHere()
    {
        Chat chat;
        QVERIFY(chat.listsItself());
        for (const char* line : {"ahoj", "/ME mává", "/about"}) {
            chat.type(QString::fromUtf8(line));
            QVERIFY(chat.window.sendtext()->text().isEmpty());
        }
        QVERIFY(chat.lines().contains("Kestrowind - síťová komunikace snadno a česky"));
        QVERIFY(chat.lines().contains("nick uživatele: Jana"));
        QVERIFY(chat.lines().contains(
            "služba inovací: Orlathe UpdateService, verze: služba není nainstalována"));
        chat.type(QStringLiteral("potom"));
        QTRY_VERIFY(chat.lines().contains("<Jana>potom"));
        QVERIFY(chat.lines().contains("<Jana>ahoj") && chat.lines().contains("Jana mává"));
        QVERIFY(!chat.lines().contains("<Jana>/about"));
    }

    void lineThatCannotBeSentIsKeptAndTold()
    {
        Chat chat{true, false, QHostAddress()}; // nowhere to send to
        chat.type(QStringLiteral("nikam"));
        QCOMPARE(chat.window.sendtext()->text(), QStringLiteral("nikam"));
        QCOMPARE(chat.lines().last(), QStringLiteral("zprávu se nepodařilo odeslat"));
    }

    // The user menu acts on the entry last clicked, and a note goes to that user only.
    void userMenuFollowsTheLastHit()
    {
        Chat chat;
        QVERIFY(chat.listsItself());
        UserListView* users = chat.window.users();
        QMenu* userMenu = chat.window.menus().mnu_User;
        const QPoint onEntry = users->visualRect(users->model()->index(0, 0)).center();
        QTest::mouseClick(users->viewport(), Qt::LeftButton, {}, onEntry);
        QCOMPARE(userMenu->title(), QStringLiteral("&uživatel Jana"));
        QVERIFY(userMenu->menuAction()->isVisible() && !userMenu->isVisible());
        const QString me = chat.window.station().MyIP();
        QCOMPARE(chat.window.userActions().SelectedUser(), Roster::keyFor(me));

        chat.window.menus().mnu_sendalert->trigger();
        QInputDialog* dialog = shownDialog<QInputDialog>();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle() + '|' + dialog->labelText(),
                 QStringLiteral("Zaslat zprávu|Zaslat zprávu uživateli"));
        dialog->setTextValue(QStringLiteral("přijď"));
        dialog->accept();
        QTRY_VERIFY(shownDialog<QMessageBox>());
        QCOMPARE(answerBox(QMessageBox::Ok), "zpráva od: Jana [" + me + "]|přijď");

        QTest::mouseClick(users->viewport(), Qt::RightButton, {}, onEntry);
        QTRY_VERIFY(userMenu->isVisible());
        userMenu->close();
        // The remembered user has left: the item does nothing.
        chat.window.station().roster().clear();
        chat.window.menus().mnu_sendalert->trigger();
        QVERIFY(!shownDialog<QInputDialog>());
        QTest::mouseClick(users->viewport(), Qt::LeftButton, {},
                          QPoint(5, users->viewport()->height() - 5));
        QVERIFY(!userMenu->menuAction()->isVisible());
        QVERIFY(chat.window.userActions().SelectedUser().isEmpty());
    }

    void refreshEmptiesTheListAndTheAnswersFillItAgain()
    {
        Chat chat;
        QTRY_COMPARE(chat.count(), QStringLiteral("uživatelé on-line: 1"));
        QSignalSpy refilled(&chat.window.station().roster(), &Roster::rowsInserted);
        chat.window.menus().mnuRefresh->trigger();
        QCOMPARE(chat.window.station().roster().count(), 0);
        QCOMPARE(chat.count(), QStringLiteral("uživatelé on-line: 1")); // until an answer comes
        QCOMPARE(chat.lines().last(), QStringLiteral("seznam uživatelů byl obnoven"));
        QTRY_COMPARE(refilled.count(), 1); // the own answer to the own request
        QCOMPARE(chat.window.station().roster().at(0).icon, QStringLiteral("u1"));
    }

    void nickChangeIsAnnouncedAndStored()
    {
        Chat chat;
        QVERIFY(chat.listsItself());
        chat.window.menus().mnu_selectnick->trigger();
        QInputDialog* dialog = shownDialog<QInputDialog>();
        QVERIFY(dialog);
        QCOMPARE(dialog->labelText(), QStringLiteral("Zvolte novou přezdívku ..."));
        QCOMPARE(dialog->textValue(), QStringLiteral("Jana"));
        dialog->setTextValue(QStringLiteral("jana"));
        dialog->accept();
        QCOMPARE(chat.window.station().Username(), QStringLiteral("jana"));
        QCOMPARE(chat.storedOption("nick"), QStringLiteral("jana"));
        QTRY_VERIFY(chat.lines().contains(QStringLiteral("uživatel Jana je nyní jana")));

        // The same nick again, or nothing at all, changes and stores nothing.
        for (const QString& same : {QStringLiteral("jana"), QString()}) {
            chat.storeOption("nick", "marker");
            chat.window.menus().mnu_selectnick->trigger();
            shownDialog<QInputDialog>()->setTextValue(same);
            shownDialog<QInputDialog>()->accept();
            QCOMPARE(chat.storedOption("nick"), QStringLiteral("marker"));
        }
    }

    // Notes show plain text, never hold up the network, and a flood opens five boxes at most.
    void notesDoNotHoldUpTheNetworkNorFloodTheScreen()
    {
        Chat chat;
        const auto note = [&chat](int i) {
            chat.receive(
                Outgoing::messageBox("10.0.0.7", "pc12", QStringLiteral("<b>%1</b>").arg(i)));
        };
        for (int i = 1; i <= 7; ++i)
            note(i);
        chat.receive("PTOING\t10.0.0.7\vpc12\vuser\r\n");
        QTRY_VERIFY(chat.window.station().roster().rowOf("ip10.0.0.7") >= 0);
        QCOMPARE(shownWindows<QMessageBox>().size(), 5);
        QCOMPARE(shownDialog<QMessageBox>()->textFormat(), Qt::PlainText);
        QVERIFY(!shownDialog<QMessageBox>()->isModal());
        QVERIFY(chat.lines().contains(QStringLiteral("zpráva od: pc12 [10.0.0.7]: <b>7</b>")));

        shownDialog<QMessageBox>()->close();
        note(8);
        QTRY_COMPARE(shownWindows<QMessageBox>().size(), 5);
        QVERIFY(!chat.lines().contains(QStringLiteral("zpráva od: pc12 [10.0.0.7]: <b>8</b>")));
    }

    void startUpWritesItsLinesThenHearsItsOwnArrival()
    {
        MainWindowFixture w;
        QVERIFY(w.window.Form_Load({}));
        const QString myIp = w.window.station().MyIP(), login = Platform::GetWindowsUserName();
        const QString nick = w.window.station().Username();
        QCOMPARE(nick, login.isEmpty() ? QStringLiteral("anonymní") : login);
        QCOMPARE(w.lines().mid(0, 2),
                 (QStringList{QStringLiteral("Kestrowind v.: %1.%2 build: %3 aplikace spuštěna")
                                  .arg(Version::Major)
                                  .arg(Version::Minor)
                                  .arg(Version::Build),
                              "přihlášený uživatel: " + login + "; název počítače: " +
                                  Platform::GetMachineName() + "; IP: " + myIp}));
        QVERIFY(w.lines().value(2).contains("Orlathe"));
        QCOMPARE(w.window.status()->panelText("ip"), myIp);

        QTRY_COMPARE(w.count(), QStringLiteral("uživatelé on-line: 1"));
        QCOMPARE(w.window.station().roster().at(0).key, Roster::keyFor(myIp));
        QCOMPARE(w.window.station().roster().at(0).icon, QStringLiteral("u1"));
        QCOMPARE(w.lines().value(3), "uživatel " + nick + " vstoupil do diskuze");

        QCOMPARE(w.window.WakeType(), 1);
        QVERIFY(w.window.menus().mnu_waketype[1]->isChecked());
        QVERIFY(!w.window.menus().mnu_waketype[0]->isChecked());
        QVERIFY(!w.window.menus().mnu_User->menuAction()->isVisible());
        QCOMPARE(w.window.windowTitle(), QStringLiteral("Kestrowind "));
        QCOMPARE(w.window.users()->model()->headerData(0, Qt::Horizontal), "uživatel");
        // The icon built into the program, as small as the tray and as large as the desktop asks.
        for (const int size : {16, 256})
            QCOMPARE(w.window.windowIcon().pixmap(size).width(), size);
    }

    void takenPortIsToldNotHidden()
    {
        QUdpSocket squatter;
        MainWindowFixture w;
        QVERIFY(squatter.bind(QHostAddress::AnyIPv4, w.port, QAbstractSocket::DontShareAddress));
        QVERIFY(w.window.Form_Load({}));
        QCOMPARE(w.lines().value(3), QStringLiteral("port %1 je obsazen jiným programem: zprávy od "
                                                    "ostatních uživatelů se nebudou přijímat")
                                         .arg(w.port));
    }

    void uninstallDeletesSettingsAndStopsBeforeTheNetwork()
    {
        MainWindowFixture w;
        w.storeOption(QStringLiteral("nick"), QStringLiteral("pepa"));
        QVERIFY(w.autostart.enable(QStringLiteral("/opt/kestrowind2/kestrowind2")));
        QString told; // the box is modal: answered once it is up
        QTimer::singleShot(0, [&told] { told = answerBox(QMessageBox::Ok); });
        StartOptions start;
        start.uninstall = true;
        QVERIFY(!w.window.Form_Load(start));
        QCOMPARE(told, "uninstall|skript pro odinstalování byl úspěšně proveden");
        QVERIFY(!QFile::exists(w.store.fileOf(QStringLiteral("kestrowind2"))));
        // An uninstalled program must not come back at the next logon.
        QVERIFY(!w.autostart.isEnabled());
        QVERIFY(!w.window.station().isListening());
        QVERIFY(w.lines().join(QString()).isEmpty());
    }

    void menusCarryTheirItemsInOrderWithTheirKeys()
    {
        // As shown: the access key's mark is not a character; greyed items end in "(x)".
        const auto items = [](const QMenu* menu) {
            QStringList result;
            for (const QAction* action : menu->actions()) {
                const QString keys = action->shortcut().toString(QKeySequence::PortableText);
                QString item = QString(action->text()).remove(u'&');
                if (!keys.isEmpty())
                    item += QLatin1Char(' ') + keys;
                if (!action->isEnabled())
                    item += QStringLiteral(" (x)");
                result << (action->isSeparator() ? QStringLiteral("-") : item);
            }
            return result;
        };
        MainWindowFixture w;
        const MainMenus& menus = w.window.menus();
        QCOMPARE(menus.mnu_chat->title(), QStringLiteral("&možnosti"));
        QCOMPARE(items(menus.mnu_chat),
                 (QStringList{"zobrazit okno F11", "skrýt okno F2", "-", "obnovit uživatele F5",
                              "poslat zprávu F3 (x)", "změnit přezdívku",
                              "když je vyžadována má pozornost", "-", "nastavení", "-",
                              "ukončit aplikaci F12"}));
        QCOMPARE(items(menus.mnu_wake),
                 (QStringList{"ignorovat upozornění", "maximalizovat okno aplikace"}));
        QCOMPARE(menus.mnu_User->title(), QStringLiteral("&UserMenu"));
        QCOMPARE(items(menus.mnu_User),
                 (QStringList{"zaslat soubor Ctrl+F", "-", "vyžádat si pozornost F4 (x)",
                              "zaslat upozornění F6"}));
        QCOMPARE(menus.mnuTools->title(), QStringLiteral("&nástroje"));
        QCOMPARE(items(menus.mnuTools),
                 (QStringList{"uložit obsah diskuze do souboru", "tisk obsahu diskuze",
                              "vyčistit pole diskuze F8", "-", "obnovit seznam uživatelů", "-",
                              "zvuk zapnut F9 (x)", "-", "zjistit nové verze"}));
        QCOMPARE(items(menus.mnuSaveToFileUp),
                 (QStringList{"HTML", "RichText File", "obyčejný text"}));
    }

    // Every menu and item can be reached by a letter of its own within its menu.
    void everyMenuAndItemHasAnAccessKeyOfItsOwn()
    {
        MainWindowFixture w;
        QList<QList<QAction*>> menus{w.window.menuBar()->actions()};
        for (qsizetype i = 0; i < menus.size(); ++i) {
            QSet<QString> letters;
            for (const QAction* action : menus[i]) {
                if (action->isSeparator())
                    continue;
                const QString text = action->text();
                const QString letter = QKeySequence::mnemonic(text).toString();
                QVERIFY2(!letter.isEmpty() && text.count(u'&') == 1, qPrintable(text));
                QVERIFY2(!letters.contains(letter), qPrintable(text));
                letters << letter;
                if (action->menu())
                    menus << action->menu()->actions();
            }
        }
        QCOMPARE(menus.size(), 6); // the bar, its three menus and the two submenus
    }

    // F10 opens the first menu, Alt with a letter the menu it marks, a letter in an open menu
    // its item.
    void theKeyboardOpensTheMenus_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<QString>("menu");
        QTest::newRow("F10") << QKeySequence(Qt::Key_F10) << "mnu_chat";
        QTest::newRow("Alt+N") << QKeySequence(Qt::ALT | Qt::Key_N) << "mnuTools";
        QTest::newRow("Alt+U, the user menu hidden") << QKeySequence(Qt::ALT | Qt::Key_U) << "";
    }
    void theKeyboardOpensTheMenus()
    {
        QFETCH(QKeySequence, key);
        QFETCH(QString, menu);
        Chat chat;
        chat.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&chat.window));
        QTest::keySequence(chat.window.sendtext(), key);
        QMenu* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QCOMPARE(open ? open->objectName() : QString(), menu);
        if (!open)
            return;
        QTest::keyClick(open, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());

        if (key == QKeySequence(Qt::Key_F10)) {
            QTest::keyClick(chat.window.sendtext(), Qt::Key_F10);
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_N);
            QTRY_VERIFY(chat.window.settings().dialog().isVisible());
            chat.window.settings().dialog().close();
        }
    }

    // The user menu goes by the picked user's nick as it is now, through renames, other
    // users' comings and goings, until that user leaves.
    void userMenuFollowsItsUser()
    {
        Chat chat;
        QVERIFY(chat.listsItself());
        for (const char* peer :
             {"PTOING\t10.0.0.7\vEva\vuser\r\n", "PTOING\t10.0.0.8\vPetr\vuser\r\n"})
            chat.receive(peer);
        Roster& roster = chat.window.station().roster();
        QTRY_COMPARE(roster.count(), 3);
        QMenu* userMenu = chat.window.menus().mnu_User;
        chat.window.userActions().onEntryReleased(Roster::keyFor("10.0.0.7"), Qt::LeftButton, {});
        const QList<std::pair<QByteArray, QString>> steps = {
            {"PING\t10.0.0.8\vPavel\r\n", "&uživatel Eva"},
            {"PING\t10.0.0.7\vEva & Jan\r\n", "&uživatel Eva && Jan"},
            {"LOGOFF\t10.0.0.8\r\n", "&uživatel Eva && Jan"},
            {"LOGOFF\t10.0.0.7\r\n", ""},
        };
        const TranscriptEntries& entries = chat.window.chat()->entries();
        for (const auto& [packet, title] : steps) {
            const qsizetype told = entries.entryCount(); // renames and leaves are told
            chat.receive(packet);
            QTRY_VERIFY(entries.entryCount() > told);
            QCOMPARE(userMenu->menuAction()->isVisible() ? userMenu->title() : QString(), title);
        }
        QVERIFY(chat.window.userActions().SelectedUser().isEmpty());
    }

    // A note says what will not arrive as typed while it is in the line; typographic
    // characters with an equivalent in the code page arrive as that.
    void composerWarnsOfCharactersTheWireCannotCarry()
    {
        Chat chat;
        QVERIFY(chat.listsItself());
        const QString note = QStringLiteral("znaky mimo kódování windows-1250 se odešlou jako ?");
        const struct {
            const char16_t* typed;
            bool warned;
            const char* arrives;
        } lines[] = {{u"vpravo →", true, "<Jana>vpravo ?"},
                     {u"a\u2011b \u2212 1\u202F000", false, "<Jana>a-b - 1 000"},
                     {u"\U0001F600 ☺", true, "<Jana>? ?"},
                     {u"„Žluťoučký“ — …", false, "<Jana>„Žluťoučký“ — …"}};
        for (const auto& line : lines) {
            chat.window.sendtext()->setText(QString::fromUtf16(line.typed));
            QCOMPARE(chat.window.status()->note(), line.warned ? note : QString());
            QCOMPARE(chat.window.status()->findChild<QLabel*>("note")->isVisible(), line.warned);
            chat.type(chat.window.sendtext()->text());
            QVERIFY(chat.window.status()->note().isEmpty());
            QTRY_COMPARE(chat.lines().last(), QString::fromUtf8(line.arrives));
        }
    }

    void startShowsTheIconAndTheWelcomeThenTheWindowHidesAndComesBack()
    {
        Chat w;
        QVERIFY(w.tray.isInTray());
        QCOMPARE(w.trayIcon->toolTip, QStringLiteral("Kestrowind 2"));
        QCOMPARE(w.trayIcon->menu, w.window.menus().mnu_chat);
        const FakeTrayIcon::Message welcome{"Orlathe", "vítejte v aplikaci Kestrowind 2\rOrlathe",
                                            2000};
        QCOMPARE(w.trayIcon->messages, QList<FakeTrayIcon::Message>{welcome});
        QVERIFY(w.itemsSay(true));
        const int width = w.window.width();

        // Minimised into the tray; only a double click on the icon brings it back as it was.
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible());
        QVERIFY(w.itemsSay(false));
        w.trayIcon->click(TrayIconBackend::Click::Single);
        QVERIFY(!w.window.isVisible());
        w.trayIcon->click(TrayIconBackend::Click::Double);
        QTRY_VERIFY(w.shown());
        QVERIFY(w.itemsSay(true));
        QCOMPARE(w.window.width(), width);
        // The menu's two items do the same; showing makes it 19136 twips wide, as far as the
        // screen allows.
        w.window.menus().mnu_hidewindow->trigger();
        QTRY_VERIFY(!w.window.isVisible());
        QVERIFY(w.itemsSay(false));
        w.window.menus().mnu_showwindow->trigger();
        QVERIFY(w.shown());
        QVERIFY(w.itemsSay(true));
        const int screenWidth = w.window.screen()->availableGeometry().width();
        QCOMPARE(w.window.frameGeometry().width(), qMin(1276, screenWidth));
    }

    // A panel that starts after the program: until it is there the window stays in the task
    // bar, then the icon comes and minimising goes to the tray.
    void withoutATrayMinimisingStaysInTheTaskBarUntilOneAppears()
    {
        Chat w(false);
        QVERIFY(!w.tray.isInTray());
        w.window.showMinimized();
        QTRY_VERIFY(w.window.isMinimized());
        QTest::qWait(0);
        QVERIFY(w.window.isVisible());
        QVERIFY(w.itemsSay(false));
        w.window.menus().mnu_showwindow->trigger();
        QTRY_VERIFY(w.shown());

        w.trayIcon->setAvailable(true);
        QVERIFY(w.tray.isInTray());
        QCOMPARE(w.trayIcon->shows, 1);
        QCOMPARE(w.trayIcon->menu, w.window.menus().mnu_chat);
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible());
    }

    void startWithTotrayShowsNoWindow()
    {
        Chat w(true, true);
        QTRY_VERIFY(!w.window.isVisible());
        QVERIFY(w.itemsSay(false));
    }

    void attentionRequestBringsAHiddenWindowBackWhenAsked()
    {
        Chat w;
        w.window.mnu_waketype_Click(0);
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible());
        w.receive("POPIT\tPetr\r\n");
        QTRY_COMPARE(w.window.chat()->entries().entryCount(), 5);
        QVERIFY(!w.window.isVisible());

        w.window.menus().mnu_waketype[1]->trigger();
        QCOMPARE(w.window.WakeType(), 1);
        QVERIFY(!w.window.menus().mnu_waketype[0]->isChecked());
        w.receive("POPIT\tPetr\r\n");
        QTRY_VERIFY(w.shown());
        QVERIFY(w.itemsSay(true));
    }

    void activityWhileHiddenShowsABalloonAndPlays()
    {
        Chat w;
        QVERIFY(w.listsItself());
        frmAbout& options = w.window.settings().dialog();
        options.findChild<QCheckBox*>(QStringLiteral("Check3"))->setChecked(true);
        options.findChild<QCheckBox*>(QStringLiteral("Check6"))->setChecked(true);
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible());
        const int balloons = w.trayIcon->messages.size();
        w.window.chat()->AddLine(QStringLiteral("něco"), 10, QStringLiteral("Petr"));
        QVERIFY(w.sound.plays >= 1);
        QCOMPARE(w.trayIcon->messages.size(), balloons + 1);
        QCOMPARE(w.trayIcon->messages.last().title, QStringLiteral("Kestrowind 2 informace"));

        // "zvuk zapnut" is drawn checked but out of use, like "poslat zprávu".
        const int plays = w.sound.plays;
        w.window.menus().mnuSound->trigger();
        QCOMPARE(w.sound.plays, plays);
        QVERIFY(w.window.menus().mnuSound->isChecked());
        QVERIFY(!w.window.menus().mnuSound->isEnabled());
        QVERIFY(!w.window.menus().mnu_actionmessage->isEnabled());
    }

    void closingRemovesTheIconAndSaysGoodbyeOnce()
    {
        Chat w;
        QVERIFY(w.listsItself());
        QSignalSpy unloaded(&w.window, &frmchat::unloaded);
        w.window.close();
        w.window.Form_Unload();
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!w.tray.isInTray());
        QVERIFY(!w.trayIcon->visible());
        QTRY_COMPARE(w.window.station().roster().count(), 0);
    }

    void controlsScaleFromTheirDrawnGeometry()
    {
        Chat w;
        QWidget* client = w.window.centralWidget();
        const QList<QWidget*> controls = {w.window.chat(), w.window.sendtext(), w.window.users(),
                                          w.window.status()};
        client->resize(593 * 2, 351);
        for (QWidget* control : controls) {
            const QRect drawn = w.window.designGeometry(control);
            QCOMPARE(control->geometry(),
                     QRect(drawn.x() * 2, drawn.y(), drawn.width() * 2, drawn.height()));
        }
        for (int i = 0; i < 50; ++i)
            client->resize(300 + 13 * i, 200 + 7 * i);
        client->resize(593, 351);
        for (QWidget* control : controls)
            QCOMPARE(control->geometry(), w.window.designGeometry(control));
    }
};

QTEST_MAIN(tst_frmchat)
#include "tst_frmchat.moc"
