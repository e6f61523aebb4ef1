// The main window as a user meets it: start-up, typing, the user list, notes, menus, the tray.
#include "MainWindowFixture.h"
#include "core/transfer/FileTransfers.h"
#include "gui/settings/SettingsDialog.h"
#include "gui/settings/SettingsEditor.h"
#include "gui/window/Composer.h"
#include "gui/window/UserListView.h"

#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QTimer>

namespace {

// A started window whose user comes back as "Jana".
struct Chat : MainWindowFixture {
    explicit Chat(QHostAddress broadcast = QHostAddress(QHostAddress::LocalHost))
        : MainWindowFixture(broadcast)
    {
        start(QStringLiteral("Jana"));
    }
    const MainMenus::OptionsMenu& options() const { return window.menus().options(); }
    QMenu* userMenu() const { return window.menus().user().menu; }
    QString userMenuShown() const
    {
        return userMenu()->menuAction()->isVisible() ? userMenu()->title() : QString();
    }
    QString count() const
    {
        return window.statusPanels()->panelText(StatusPanels::Panel::UsersOnline);
    }
    // Shown or not, and exactly one of the two window items usable, the one that makes sense.
    bool shown(bool shown) const
    {
        return (window.isVisible() && !window.isMinimized()) == shown &&
               options().hideWindow->isEnabled() == shown &&
               options().showWindow->isEnabled() != shown;
    }
};

} // namespace

class tst_mainwindow final : public QObject {
    Q_OBJECT

private slots:
    // Enter sends the line in the code page's characters, warned of while it holds one the wire
    // cannot carry; "/about" is shown and never sent; a line that cannot go stays, and is told.
    void enterSendsTheLine_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("warned");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const char16_t* typed, bool warned,
                            const char* shown) {
            QTest::newRow(name) << QString::fromUtf16(typed) << warned << QString::fromUtf8(shown);
        };
        row("a line", u"„Ž“ a\u2011b \u2212 1\u202F000", false, "<Jana>„Ž“ a-b - 1 000");
        row("an action", u"/ME mává", false, "Jana mává");
        row("no equivalent", u"vpravo → \U0001F600", true, "<Jana>vpravo ? ?");
        row("about", u"/about", false, "nick uživatele: Jana");
        row("nowhere to send", u"nikam", false, "zprávu se nepodařilo odeslat");
    }
    void enterSendsTheLine()
    {
        QFETCH(QString, typed);
        QFETCH(bool, warned);
        QFETCH(QString, shown);
        const bool nowhere = typed == QLatin1String("nikam");
        Chat chat(nowhere ? QHostAddress() : QHostAddress(QHostAddress::LocalHost));
        QVERIFY(nowhere || chat.listsItself());
        chat.window.composer()->setText(typed);
        QCOMPARE(chat.window.statusPanels()->note().isEmpty(), !warned);
        QCOMPARE(chat.window.statusPanels()->findChild<QLabel*>("note")->isVisible(), warned);
        QTest::keyClick(chat.window.composer(), Qt::Key_Return);
        QCOMPARE(chat.window.composer()->text(), nowhere ? typed : QString());
        QVERIFY(chat.window.statusPanels()->note().isEmpty());
        QTRY_VERIFY(chat.lines().contains(shown));
        if (nowhere)
            return;
        // Lines come back in order: once the next one is here, "/about" would have been too.
        chat.window.composer()->setText(QStringLiteral("konec"));
        QTest::keyClick(chat.window.composer(), Qt::Key_Return);
        QTRY_COMPARE(chat.lines().last(), QStringLiteral("<Jana>konec"));
        QVERIFY(!chat.lines().contains(QStringLiteral("<Jana>/about")));
    }

    // The user menu stands for the entry last hit, goes by that user's nick as it is now, and
    // goes away with the user or a click beside the entries.
    void userMenuFollowsItsUser()
    {
        Chat chat;
        QVERIFY(chat.listsItself());
        UserListView* users = chat.window.userList();
        QTest::mouseClick(users->viewport(), Qt::RightButton, {},
                          users->visualRect(users->model()->index(0, 0)).center());
        QCOMPARE(chat.userMenuShown(), QStringLiteral("&uživatel Jana"));
        QTRY_VERIFY(chat.userMenu()->isVisible());
        chat.userMenu()->close();
        QTest::mouseClick(users->viewport(), Qt::LeftButton, {},
                          {5, users->viewport()->height() - 5});
        QVERIFY(chat.userMenuShown().isEmpty());

        for (const char* peer :
             {"PTOING\t10.0.0.7\vEva\vuser\r\n", "PTOING\t10.0.0.8\vPetr\vuser\r\n"})
            chat.receive(peer);
        QTRY_COMPARE(chat.station().roster().count(), 3);
        chat.window.userActions().onEntryReleased(Roster::keyFor("10.0.0.7"), Qt::LeftButton, {});
        const std::pair<QByteArray, QString> steps[] = {
            {"PING\t10.0.0.8\vPavel\r\n", "&uživatel Eva"},
            {"PING\t10.0.0.7\vEva & Jan\r\n", "&uživatel Eva && Jan"},
            {"LOGOFF\t10.0.0.8\r\n", "&uživatel Eva && Jan"},
            {"LOGOFF\t10.0.0.7\r\n", ""},
        };
        for (const auto& [packet, title] : steps) {
            const qsizetype told = chat.lines().size(); // renames and leaves are told
            chat.receive(packet);
            QTRY_VERIFY(chat.lines().size() > told);
            QCOMPARE(chat.userMenuShown(), title);
        }
        chat.window.menus().user().sendNote->trigger(); // on nobody: nothing
        QVERIFY(!shownDialog<QInputDialog>());
    }

    // Files dropped on a user's row go to that user, on the transcript or the composer to the
    // user picked in the list; the own entry takes none, and with no pick the status bar says
    // how. The file manager hears of a copy, never of a move that would remove its files.
    void droppedFilesGoToTheirUser_data()
    {
        QTest::addColumn<QString>("on"); // a nick for that user's row
        QTest::addColumn<QString>("picked");
        QTest::addColumn<bool>("offered");
        QTest::newRow("a user's row") << "Eva"
                                      << "" << true;
        QTest::newRow("the own row") << "Jana"
                                     << "Eva" << false;
        QTest::newRow("composer, Eva picked") << "composer"
                                              << "Eva" << true;
        QTest::newRow("composer, nobody picked") << "composer"
                                                 << "" << false;
        QTest::newRow("transcript, own entry picked") << "transcript"
                                                      << "Jana" << false;
    }
    void droppedFilesGoToTheirUser()
    {
        QFETCH(QString, on);
        QFETCH(QString, picked);
        QFETCH(bool, offered);
        Chat chat;
        QVERIFY(chat.listsItself());
        chat.receive("PTOING\t10.0.0.7\vEva\vuser\r\n");
        QTRY_COMPARE(chat.station().roster().count(), 2);
        const Roster& roster = chat.station().roster();
        const auto rowOf = [&roster](const QString& nick) {
            return roster.at(0).nick == nick ? 0 : 1;
        };
        if (!picked.isEmpty())
            chat.window.userActions().onEntryReleased(roster.at(rowOf(picked)).key, Qt::LeftButton,
                                                      {});
        QTemporaryDir dir;
        QMimeData files;
        QList<QUrl> urls;
        for (const char* name : {"a.txt", "b.txt"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            urls << QUrl::fromLocalFile(file.fileName());
        }
        files.setUrls(urls);
        UserListView* users = chat.window.userList();
        QWidget* target = on == "composer"     ? chat.window.composer()
                          : on == "transcript" ? chat.window.transcript()->viewport()
                                               : users->viewport();
        const QPoint pos = target == users->viewport()
                               ? users->visualRect(users->model()->index(rowOf(on), 0)).center()
                               : target->rect().center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(pos, actions, &files, Qt::LeftButton, {});
        QDropEvent drop(pos, actions, &files, Qt::LeftButton, Qt::ShiftModifier);
        for (QDropEvent* event : {static_cast<QDropEvent*>(&enter), &drop}) {
            QCoreApplication::sendEvent(target, event);
            QCOMPARE(event->isAccepted() && event->dropAction() == Qt::CopyAction, on != "Jana");
        }
        QCOMPARE(chat.lines().count("žádost o příjem souboru na uživatele Eva"), offered ? 1 : 0);
        QCOMPARE(chat.client.transfers().queuedFiles("10.0.0.7"), offered ? 1 : 0);
        QCOMPARE(chat.window.statusPanels()->currentMessage().isEmpty(), offered || on == "Jana");
    }

    // A new nick is announced, stored, and shown in the open settings dialog, so that saving
    // the dialog keeps it; the same nick again, or none, changes and stores nothing.
    void nickChangeIsAnnouncedAndStored()
    {
        Chat chat;
        QVERIFY(chat.listsItself());
        chat.window.settingsEditor().show();
        const std::pair<QString, bool> attempts[] = {{"jana", true}, {"jana", false}, {"", false}};
        for (const auto& [nick, changes] : attempts) {
            chat.storeOption("nick", "marker");
            chat.options().changeNick->trigger();
            QInputDialog* dialog = shownDialog<QInputDialog>();
            QVERIFY(dialog && dialog->textValue() == chat.station().nick());
            dialog->setTextValue(nick);
            dialog->accept();
            QCOMPARE(chat.storedOption("nick"), changes ? "jana" : "marker");
        }
        QTRY_VERIFY(chat.lines().contains(QStringLiteral("uživatel Jana je nyní jana")));
        QCOMPARE(chat.window.settingsEditor().dialog()->options().nick, QStringLiteral("jana"));
    }

    // Notes show plain text and never hold up the network; a flood opens five boxes at a time.
    void notesShowPlainAndFiveAtATime()
    {
        Chat chat;
        const auto note = [&chat](int i) {
            chat.receive(
                Outgoing::messageBox("10.0.0.7", "pc12", QStringLiteral("<b>%1</b>").arg(i)));
        };
        for (int i = 1; i <= 6; ++i)
            note(i);
        QTRY_VERIFY(chat.lines().contains(QStringLiteral("zpráva od: pc12 [10.0.0.7]: <b>6</b>")));
        QCOMPARE(shownWindows<QMessageBox>().size(), 5);
        QCOMPARE(shownDialog<QMessageBox>()->textFormat(), Qt::PlainText);
        shownDialog<QMessageBox>()->close();
        note(7);
        QTRY_COMPARE(shownWindows<QMessageBox>().size(), 5);
        QVERIFY(!chat.lines().contains(QStringLiteral("zpráva od: pc12 [10.0.0.7]: <b>7</b>")));
    }

    // The banner, then the own arrival; a refresh empties the list, and the answers fill it.
    void startShowsTheBannerThenTheOwnArrival()
    {
        Chat w;
        QStringList banner;
        for (const ChatClient::BannerLine& line : w.client.startBanner())
            banner << line.text;
        QCOMPARE(w.lines().mid(0, banner.size()), banner);
        QCOMPARE(w.window.statusPanels()->panelText(StatusPanels::Panel::OwnAddress),
                 w.station().ownAddress());
        QTRY_COMPARE(w.count(), QStringLiteral("uživatelé on-line: 1"));
        QCOMPARE(w.lines().value(banner.size()),
                 QStringLiteral("uživatel Jana vstoupil do diskuze"));
        QVERIFY(w.userMenuShown().isEmpty());
        QVERIFY(!w.window.windowIcon().isNull()); // built into the program

        QSignalSpy refilled(&w.station().roster(), &Roster::rowsInserted);
        w.window.menus().tools().refreshUsers->trigger();
        QCOMPARE(w.station().roster().count(), 0);
        QCOMPARE(w.count(), QStringLiteral("uživatelé on-line: 1")); // until an answer comes
        QCOMPARE(w.lines().last(), QStringLiteral("seznam uživatelů byl obnoven"));
        QTRY_COMPARE(refilled.count(), 1); // the own answer to the own request
        QCOMPARE(w.station().roster().at(0).icon, QStringLiteral("u1"));
    }

    void uninstallIsToldAndStartsNothing()
    {
        MainWindowFixture w;
        QString told; // the box is modal: answered once it is up
        QTimer::singleShot(0, [&told] { told = answerBox(QMessageBox::Ok); });
        QVERIFY(!w.window.start({.uninstall = true}));
        QCOMPARE(told, "uninstall|skript pro odinstalování byl úspěšně proveden");
        QVERIFY(!w.station().isListening() && w.lines().isEmpty() && !w.tray.isInTray());
    }

    // Every menu and item has a letter of its own. F10 opens the first menu, Alt with a letter
    // the menu it marks (none for the hidden user menu), a letter in an open menu its item.
    void theKeyboardOpensTheMenus_data()
    {
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<QString>("menu");
        QTest::newRow("F10") << QKeySequence(Qt::Key_F10) << "optionsMenu";
        QTest::newRow("Alt+N") << QKeySequence(Qt::ALT | Qt::Key_N) << "toolsMenu";
        QTest::newRow("Alt+U") << QKeySequence(Qt::ALT | Qt::Key_U) << "";
    }
    void theKeyboardOpensTheMenus()
    {
        QFETCH(QKeySequence, key);
        QFETCH(QString, menu);
        Chat chat;
        QList<QList<QAction*>> menus{chat.window.menuBar()->actions()};
        for (qsizetype i = 0; i < menus.size(); ++i) {
            QSet<QString> letters;
            for (const QAction* action : menus[i]) {
                const QString text = action->text();
                const QString letter = QKeySequence::mnemonic(text).toString();
                QVERIFY2(action->isSeparator() || (!letter.isEmpty() && text.count(u'&') == 1 &&
                                                   !letters.contains(letter)),
                         qPrintable(text));
                letters << letter;
                if (action->menu())
                    menus << action->menu()->actions();
            }
        }
        chat.window.activateWindow();
        KW_SKIP_WITHOUT_KEYBOARD();
        QVERIFY(QTest::qWaitForWindowActive(&chat.window));
        QTest::keySequence(chat.window.composer(), key);
        QMenu* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QCOMPARE(open ? open->objectName() : QString(), menu);
        if (open && open == chat.options().menu) {
            QTest::keyClick(open, Qt::Key_N);
            QTRY_VERIFY(chat.window.settingsEditor().dialog());
        }
    }

    // Minimised or hidden, the window goes into the tray (else the task bar) and comes back by
    // the icon, its item or a later start, not by an ignored wake. Closing ends it once, iconless.
    void theWindowHidesInTheTrayAndComesBack()
    {
        Chat w;
        QVERIFY(w.listsItself());
        QCOMPARE(w.trayIcon->menu, w.options().menu);
        const int width = w.window.width();
        w.window.showMinimized();
        QTRY_VERIFY(!w.window.isVisible() && w.shown(false));
        w.trayIcon->click(TrayIconBackend::Click::Double);
        QTRY_VERIFY(w.shown(true) && w.window.width() == width);

        w.window.findChild<QAction*>("ignoreAttention")->trigger();
        w.options().hideWindow->trigger();
        QTRY_VERIFY(!w.window.isVisible() && w.shown(false));
        w.receive("POPIT\tPetr\r\n");
        QTRY_COMPARE(w.lines().last(), QStringLiteral("uživatel Petr vyžaduje vaši pozornost"));
        QVERIFY(!w.window.isVisible());
        w.options().showWindow->trigger();
        QVERIFY(w.shown(true));
        w.trayIcon->setAvailable(false); // to the task bar, and back by a later start
        w.options().hideWindow->trigger();
        QTRY_VERIFY(w.shown(false) && w.window.isVisible());
        w.window.restoreWindow();
        QVERIFY(w.shown(true) && QTest::qWaitForWindowExposed(&w.window));

        QSignalSpy unloaded(&w.window, &MainWindow::unloaded);
        w.window.close();
        w.window.shutDown();
        QVERIFY(unloaded.count() == 1 && !w.tray.isInTray() && !w.trayIcon->shown);
    }

    // The settings say where notices go while there is no notification area.
    void theSettingsTellOfAMissingTray()
    {
        Chat w;
        for (const bool tray : {true, false, true}) {
            w.trayIcon->setAvailable(tray);
            w.window.settingsEditor().show();
            const SettingsDialog* dialog = w.window.settingsEditor().dialog();
            QCOMPARE(dialog->findChild<QLabel*>("trayMissingNote")->isVisibleTo(dialog), !tray);
        }
    }

    // Up and Down walk the lines sent, newest first, and come back to what was being typed;
    // only the newest hundred are kept.
    void upAndDownRecallTheSentLines()
    {
        Chat w;
        Composer* box = w.window.composer();
        const auto send = [box](const QString& line) {
            box->setText(line);
            QTest::keyClick(box, Qt::Key_Return);
        };
        for (const QString line : {"jedna", "dva", "tři"})
            send(line);
        box->setText(QStringLiteral("rozepsaná"));
        QStringList shown;
        for (const char key : QByteArray("^^^^vvvv")) {
            QTest::keyClick(box, key == '^' ? Qt::Key_Up : Qt::Key_Down);
            shown << box->text();
        }
        QCOMPARE(shown.join(u' '), "tři dva jedna jedna dva tři rozepsaná rozepsaná");
        for (int i = 0; i < Composer::RecalledLines + 5; ++i)
            send(QString::number(i));
        for (int i = 0; i < 2 * Composer::RecalledLines; ++i)
            QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(box->text(), QStringLiteral("5"));
    }
};

QTEST_MAIN(tst_mainwindow)
#include "tst_mainwindow.moc"
