#include "TrayFakes.h"
#include "app/Autostart.h"
#include "app/SettingsStore.h"
#include "protocol/Framing.h"
#include "protocol/Roster.h"
#include "tray/SoundPlayer.h"
#include "ui/Composer.h"
#include "ui/MainMenus.h"
#include "ui/TranscriptView.h"
#include "ui/UserActions.h"
#include "ui/UserListView.h"
#include "ui/frmchat.h"

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QUdpSocket>

namespace {

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

QString withoutStamp(const QString& line)
{
    return line.startsWith(QLatin1Char('[')) ? line.section(QLatin1Char(']'), 1) : line;
}

// A started main window on loopback; what it sends to everybody comes back to itself.
struct Chat {
    explicit Chat(QHostAddress broadcast = QHostAddress(QHostAddress::LocalHost))
        : window{{store, autostart, sound, tray, UdpEndpoints{port, broadcast}}}
    {
        store.write("kestrowind2", "options", "first", "true");
        store.write("kestrowind2", "options", "nick", "Jana");
        window.Form_Load({});
        window.show();
    }

    QStringList lines() const
    {
        QStringList result;
        const QTextDocument* document = window.chat()->document();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            result << withoutStamp(block.text());
        return result;
    }

    void type(const QString& text)
    {
        window.sendtext()->setText(text);
        QTest::keyClick(window.sendtext(), Qt::Key_Return);
    }

    void receive(const QByteArray& data)
    {
        QUdpSocket peer;
        peer.writeDatagram(*Framing::framePacket(data), QHostAddress::LocalHost, port);
    }

    QTemporaryDir config;
    QSettingsStore store{config.path()};
    PlatformAutostart autostart{config.filePath(QStringLiteral("autostart"))};
    CountingSound sound;
    TrayCode tray{std::make_unique<FakeTrayIcon>()};
    quint16 port = freePort();
    frmchat window;
};

QInputDialog* openInputDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QInputDialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

QList<QMessageBox*> openBoxes()
{
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes << box;
    }
    return boxes;
}

} // namespace

class tst_Conversation final : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (QMessageBox* box : openBoxes())
            box->close();
    }

    void ownLineShowsWhenItsBroadcastComesBack()
    {
        Chat chat;
        QTRY_COMPARE(chat.window.station().roster().count(), 1);
        chat.type(QStringLiteral("ahoj"));
        QVERIFY(chat.window.sendtext()->text().isEmpty());
        QTRY_VERIFY(chat.lines().contains(QStringLiteral("<Jana>ahoj")));
        chat.type(QStringLiteral("/ME mává"));
        QTRY_VERIFY(chat.lines().contains(QStringLiteral("Jana mává")));
    }

    void aboutIsShownHereAndNotSent()
    {
        Chat chat;
        QTRY_COMPARE(chat.window.station().roster().count(), 1);
        chat.type(QStringLiteral("/about"));
        QVERIFY(chat.window.sendtext()->text().isEmpty());
        const QStringList lines = chat.lines();
        QVERIFY(lines.contains(QStringLiteral("Kestrowind - síťová komunikace snadno a česky")));
        QVERIFY(lines.contains(QStringLiteral("nick uživatele: Jana")));
        QVERIFY(lines.contains(QStringLiteral(
            "služba inovací: Orlathe UpdateService, verze: služba není nainstalována")));
        // A line sent after it comes back; "/about" never went out before it.
        chat.type(QStringLiteral("potom"));
        QTRY_VERIFY(chat.lines().contains(QStringLiteral("<Jana>potom")));
        QVERIFY(!chat.lines().contains(QStringLiteral("<Jana>/about")));
    }

    void lineThatCannotBeSentIsKeptAndTold()
    {
        Chat chat{QHostAddress()}; // nowhere to send to
        chat.type(QStringLiteral("nikam"));
        QCOMPARE(chat.window.sendtext()->text(), QStringLiteral("nikam"));
        QCOMPARE(chat.lines().at(chat.lines().size() - 2),
                 QStringLiteral("zprávu se nepodařilo odeslat"));
    }

    void userMenuFollowsTheLastHit()
    {
        Chat chat;
        QTRY_COMPARE(chat.window.station().roster().count(), 1);
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

    void nickChangeIsAnnouncedAndStored()
    {
        Chat chat;
        QTRY_COMPARE(chat.window.station().roster().count(), 1);
        chat.window.menus().mnu_selectnick->trigger();
        QInputDialog* dialog = openInputDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->labelText(), QStringLiteral("Zvolte novou přezdívku ..."));
        QCOMPARE(dialog->textValue(), QStringLiteral("Jana"));
        dialog->setTextValue(QStringLiteral("jana"));
        dialog->accept();
        QCOMPARE(chat.window.station().Username(), QStringLiteral("jana"));
        QCOMPARE(chat.store.read("kestrowind2", "options", "nick"), QStringLiteral("jana"));
        QTRY_VERIFY(chat.lines().contains(QStringLiteral("uživatel Jana je nyní jana")));

        // The same nick again, or nothing at all, changes and stores nothing.
        for (const QString& same : {QStringLiteral("jana"), QString()}) {
            chat.store.write("kestrowind2", "options", "nick", "marker");
            chat.window.menus().mnu_selectnick->trigger();
            openInputDialog()->setTextValue(same);
            openInputDialog()->accept();
            QCOMPARE(chat.store.read("kestrowind2", "options", "nick"), QStringLiteral("marker"));
        }
    }

    void privateNoteGoesToTheRememberedUserOnly()
    {
        Chat chat;
        QTRY_COMPARE(chat.window.station().roster().count(), 1);
        UserActions& actions = chat.window.userActions();
        const QString me = Roster::keyFor(chat.window.station().MyIP());

        actions.onEntryReleased(me, Qt::LeftButton, {});
        chat.window.menus().mnu_sendalert->trigger();
        QInputDialog* dialog = openInputDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->labelText(), QStringLiteral("Zaslat zprávu uživateli"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Zaslat zprávu"));
        dialog->setTextValue(QStringLiteral("přijď"));
        dialog->accept();
        QTRY_COMPARE(openBoxes().size(), 1);
        QCOMPARE(openBoxes().first()->windowTitle(),
                 QStringLiteral("zpráva od: Jana [%1]").arg(chat.window.station().MyIP()));
        QCOMPARE(openBoxes().first()->text(), QStringLiteral("přijď"));
        QVERIFY(!openBoxes().first()->isModal());

        // The remembered user has left: the item does nothing.
        chat.window.station().roster().clear();
        chat.window.menus().mnu_sendalert->trigger();
        QVERIFY(!openInputDialog());
    }

    void notesDoNotHoldUpTheNetwork()
    {
        Chat chat;
        chat.receive("MSGBOX\t10.0.0.7\x0Bpc12\x0Bprvní\r\n");
        chat.receive("MSGBOX\t10.0.0.7\x0Bpc12\x0B"
                     "druhá\r\n");
        chat.receive("PTOING\t10.0.0.7\x0Bpc12\x0Buser\r\n");
        QTRY_COMPARE(openBoxes().size(), 2);
        QTRY_VERIFY(chat.window.station().roster().rowOf("ip10.0.0.7") >= 0);
    }

    void attentionBringsTheWindowBackOnlyWhenAsked()
    {
        Chat chat;
        chat.window.mnu_waketype_Click(0);
        chat.window.showMinimized();
        chat.receive("POPIT\tPetr\r\n");
        QTRY_VERIFY(chat.lines().contains(QStringLiteral("uživatel Petr vyžaduje vaši pozornost")));
        QVERIFY(chat.window.isMinimized());

        chat.window.menus().mnu_waketype[1]->trigger();
        QCOMPARE(chat.window.WakeType(), 1);
        QVERIFY(!chat.window.menus().mnu_waketype[0]->isChecked());
        chat.receive("POPIT\tPetr\r\n");
        QTRY_VERIFY(!chat.window.isMinimized());
        QVERIFY(chat.window.isVisible());
    }
};

QTEST_MAIN(tst_Conversation)
#include "tst_conversation.moc"
