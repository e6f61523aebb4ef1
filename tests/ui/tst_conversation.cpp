#include "MainWindowFixture.h"
#include "protocol/Messages.h"
#include "protocol/Roster.h"
#include "ui/Composer.h"
#include "ui/MainMenus.h"
#include "ui/UserActions.h"
#include "ui/UserListView.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

namespace {

// A started window whose user comes back as "Jana".
struct Chat : MainWindowFixture {
    explicit Chat(QHostAddress broadcast = QHostAddress(QHostAddress::LocalHost))
        : MainWindowFixture(broadcast)
    {
        start(QStringLiteral("Jana"));
    }
    void type(const QString& text)
    {
        window.sendtext()->setText(text);
        QTest::keyClick(window.sendtext(), Qt::Key_Return);
    }
};

} // namespace

class tst_Conversation final : public QObject {
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
        chat.type(QStringLiteral("ahoj"));
        QVERIFY(chat.window.sendtext()->text().isEmpty());
        chat.type(QStringLiteral("/ME mává"));
        chat.type(QStringLiteral("/about"));
        QVERIFY(chat.window.sendtext()->text().isEmpty());
        const QStringList lines = chat.lines();
        QVERIFY(lines.contains(QStringLiteral("Kestrowind - síťová komunikace snadno a česky")));
        QVERIFY(lines.contains(QStringLiteral("nick uživatele: Jana")));
        QVERIFY(lines.contains(QStringLiteral(
            "služba inovací: Orlathe UpdateService, verze: služba není nainstalována")));
        chat.type(QStringLiteral("potom"));
        QTRY_VERIFY(chat.lines().contains(QStringLiteral("<Jana>potom")));
        QVERIFY(chat.lines().contains(QStringLiteral("<Jana>ahoj")));
        QVERIFY(chat.lines().contains(QStringLiteral("Jana mává")));
        QVERIFY(!chat.lines().contains(QStringLiteral("<Jana>/about")));
    }

    void lineThatCannotBeSentIsKeptAndTold()
    {
        Chat chat{QHostAddress()}; // nowhere to send to
        chat.type(QStringLiteral("nikam"));
        QCOMPARE(chat.window.sendtext()->text(), QStringLiteral("nikam"));
        QCOMPARE(chat.lines().last(), QStringLiteral("zprávu se nepodařilo odeslat"));
    }

    void userMenuFollowsTheLastHit()
    {
        Chat chat;
        QVERIFY(chat.listsItself());
        UserListView* users = chat.window.users();
        QMenu* userMenu = chat.window.menus().mnu_User;
        const QPoint onEntry = users->visualRect(users->model()->index(0, 0)).center();
        QTest::mouseClick(users->viewport(), Qt::LeftButton, {}, onEntry);
        QCOMPARE(userMenu->title(), QStringLiteral("uživatel Jana"));
        QVERIFY(userMenu->menuAction()->isVisible());
        QVERIFY(!userMenu->isVisible());
        QCOMPARE(chat.window.userActions().SelectedUser(),
                 Roster::keyFor(chat.window.station().MyIP()));

        QTest::mouseClick(users->viewport(), Qt::RightButton, {}, onEntry);
        QTRY_VERIFY(userMenu->isVisible());
        userMenu->close();

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

    void privateNoteGoesToTheRememberedUserOnly()
    {
        Chat chat;
        QVERIFY(chat.listsItself());
        chat.window.userActions().onEntryReleased(Roster::keyFor(chat.window.station().MyIP()),
                                                  Qt::LeftButton, {});
        chat.window.menus().mnu_sendalert->trigger();
        QInputDialog* dialog = shownDialog<QInputDialog>();
        QVERIFY(dialog);
        QCOMPARE(dialog->labelText(), QStringLiteral("Zaslat zprávu uživateli"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Zaslat zprávu"));
        dialog->setTextValue(QStringLiteral("přijď"));
        dialog->accept();
        QTRY_VERIFY(shownDialog<QMessageBox>());
        const QMessageBox* box = shownDialog<QMessageBox>();
        QCOMPARE(box->windowTitle(), "zpráva od: Jana [" + chat.window.station().MyIP() + ']');
        QCOMPARE(box->text(), QStringLiteral("přijď"));
        QVERIFY(!box->isModal());

        // The remembered user has left: the item does nothing.
        chat.window.station().roster().clear();
        chat.window.menus().mnu_sendalert->trigger();
        QVERIFY(!shownDialog<QInputDialog>());
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
        chat.receive("PTOING\t10.0.0.7\x0Bpc12\x0Buser\r\n");
        QTRY_VERIFY(chat.window.station().roster().rowOf("ip10.0.0.7") >= 0);
        QCOMPARE(shownWindows<QMessageBox>().size(), 5);
        QCOMPARE(shownDialog<QMessageBox>()->textFormat(), Qt::PlainText);
        QVERIFY(chat.lines().contains(QStringLiteral("zpráva od: pc12 [10.0.0.7]: <b>7</b>")));

        shownDialog<QMessageBox>()->close();
        note(8);
        QTRY_COMPARE(shownWindows<QMessageBox>().size(), 5);
        QVERIFY(!chat.lines().contains(QStringLiteral("zpráva od: pc12 [10.0.0.7]: <b>8</b>")));
    }
};

QTEST_MAIN(tst_Conversation)
#include "tst_conversation.moc"
