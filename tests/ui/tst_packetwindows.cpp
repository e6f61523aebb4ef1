// Windows that a peer's packet opens, beside a user who is typing: the file question, the save
// dialog after it and a note keep their keys to themselves until the user turns to them. The
// welcome box, opened by the program for the user, takes the keyboard; and where each file
// dialog starts.
#include "MainWindowFixture.h"
#include "app/Platform.h"
#include "protocol/Messages.h"
#include "ui/Composer.h"
#include "ui/KeyboardGuard.h"
#include "ui/TranscriptSaver.h"

#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const QByteArray Offer = QByteArrayLiteral("SENDFILE\t10.0.0.7\vpc12\v5\vx.txt\r\n");

// A key as the keyboard delivers it to a window, which hands it to its focused control; a
// held key arrives as repeated presses.
void press(QWindow* window, Qt::Key key, bool held = false)
{
    const QString text = key == Qt::Key_Return ? QStringLiteral("\r") : QString();
    qt_handleKeyEvent(window, QEvent::KeyPress, key, Qt::NoModifier, text, held);
    if (!held)
        qt_handleKeyEvent(window, QEvent::KeyRelease, key, Qt::NoModifier, text);
}
// Enter typed and then held, as into the composer when a window appears.
void typeAndHoldEnter(QWindow* window)
{
    press(window, Qt::Key_Return);
    for (int i = 0; i < 5; ++i)
        press(window, Qt::Key_Return, true);
}

QMessageBox* boxTitled(const QString& title)
{
    for (QMessageBox* box : shownWindows<QMessageBox>()) {
        if (box->windowTitle() == title)
            return box;
    }
    return nullptr;
}

// A started main window on loopback, and a home of its own.
struct Desk : MainWindowFixture {
    Desk()
    {
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        start(QStringLiteral("Jana"));
    }
    ~Desk()
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window != &this->window)
                window->close();
        }
    }
    QMessageBox* question() const { return boxTitled(QStringLiteral("příjem souboru")); }

    QTemporaryDir home;
};

// A dialog with a default button, guarded for `delay`.
struct Guarded {
    explicit Guarded(std::chrono::milliseconds delay)
    {
        auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        new KeyboardGuard(&dialog, delay);
        dialog.show();
        dialog.activateWindow();
        ok->setFocus();
    }
    QDialog dialog;
};

} // namespace

class tst_PacketWindows final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Czech)); }

    // Enter typed and held in the composer as an offer and a note come in: neither takes the
    // keyboard, and if the window manager hands it to them anyway, neither answers to it.
    void typingGoesOnWhileAnOfferAndANoteArrive()
    {
        Desk desk;
        Composer* composer = desk.window.sendtext();
        desk.window.activateWindow();
        composer->setFocus();
        QTRY_VERIFY(composer->hasFocus());
        desk.receive(Offer);
        desk.receive(Outgoing::messageBox("10.0.0.7", "pc12", QStringLiteral("přijď")));
        QTRY_VERIFY(desk.question() && boxTitled(QStringLiteral("zpráva od: pc12 [10.0.0.7]")));
        const QPointer<QMessageBox> question = desk.question();
        const QPointer<QMessageBox> note = boxTitled(QStringLiteral("zpráva od: pc12 [10.0.0.7]"));
        const auto bothOpen = [&] {
            return question && question->isVisible() && note && note->isVisible();
        };
        for (QMessageBox* raised : {question.data(), note.data()}) {
            QVERIFY(raised->testAttribute(Qt::WA_ShowWithoutActivating));
            QVERIFY(!raised->isModal());
        }
        typeAndHoldEnter(QGuiApplication::focusWindow());
        QVERIFY(bothOpen());
        QCOMPARE(desk.window.focusWidget(), composer);
        // Offscreen, every window shown is made active; a window manager leaves the keyboard
        // where it was.
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QCOMPARE(QApplication::focusWidget(), composer);

        for (QMessageBox* box : {question.data(), note.data()}) {
            box->activateWindow();
            typeAndHoldEnter(box->windowHandle());
            press(box->windowHandle(), Qt::Key_Escape);
            QVERIFY(bothOpen());
        }
        QVERIFY(!shownDialog<QFileDialog>());

        // A click answers at once; the save dialog that follows takes the keyboard, but not
        // the Enter still held.
        question->button(QMessageBox::Yes)->click();
        const QPointer<QFileDialog> save = shownDialog<QFileDialog>();
        QVERIFY(save);
        for (int i = 0; i < 5; ++i)
            press(save->windowHandle(), Qt::Key_Return, true);
        QVERIFY(save && save->isVisible());
        QTest::mouseClick(note->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY(!note);
    }

    // Keys wait for the delay, a key held since then for a fresh press; a click ends the wait.
    void guardedDialogTakesKeysOnlyFromAUserTurnedToIt_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("clickFirst");
        QTest::addColumn<QList<bool>>("heldPresses");
        QTest::addColumn<bool>("accepted");
        const int now = 0, hour = 3600000;
        QTest::newRow("during the delay") << hour << false << QList<bool>{false} << false;
        QTest::newRow("held through it") << now << false << QList<bool>{true, true} << false;
        QTest::newRow("pressed anew") << now << false << QList<bool>{true, false} << true;
        QTest::newRow("after a click") << hour << true << QList<bool>{true} << true;
    }

    void guardedDialogTakesKeysOnlyFromAUserTurnedToIt()
    {
        QFETCH(int, delayMs);
        QFETCH(bool, clickFirst);
        QFETCH(QList<bool>, heldPresses);
        QFETCH(bool, accepted);
        Guarded g{std::chrono::milliseconds(delayMs)};
        QTRY_COMPARE(QApplication::activeWindow(), &g.dialog);
        if (clickFirst)
            QTest::mouseClick(&g.dialog, Qt::LeftButton);
        for (bool held : heldPresses)
            press(g.dialog.windowHandle(), Qt::Key_Return, held);
        QCOMPARE(g.dialog.result() == QDialog::Accepted, accepted);
    }

    // Started for the first time, the program greets, and the greeting has the keyboard.
    void welcomeBoxTakesTheKeyboard()
    {
        MainWindowFixture fresh;
        QVERIFY(fresh.window.Form_Load({}));
        fresh.window.show();
        QMessageBox* welcome = shownDialog<QMessageBox>();
        QVERIFY(welcome);
        QTRY_COMPARE(QApplication::activeWindow(), welcome);
        press(QGuiApplication::focusWindow(), Qt::Key_Return);
        QVERIFY(!welcome->isVisible());
    }

    // Each purpose starts where this run last chose a file for it, else in its own default.
    void fileDialogsStartWhereTheyWereLastUsed_data()
    {
        QTest::addColumn<QString>("purpose");
        QTest::addColumn<bool>("downloads");
        QTest::addColumn<QString>("firstFolder"); // under the home, or the program's default
        QTest::newRow("send") << "send" << true << "";
        QTest::newRow("receive, no downloads") << "receive" << false << "";
        QTest::newRow("receive") << "receive" << true << "Downloads";
        QTest::newRow("transcript") << "transcript" << true << "-";
    }

    void fileDialogsStartWhereTheyWereLastUsed()
    {
        QFETCH(QString, purpose);
        QFETCH(bool, downloads);
        QFETCH(QString, firstFolder);
        Desk desk;
        QVERIFY(desk.listsItself());
        QDir home(desk.home.path());
        if (downloads)
            home.mkdir(QStringLiteral("Downloads"));
        const auto open = [&]() -> QFileDialog* {
            if (purpose == "send") {
                desk.window.userActions().onEntryReleased(desk.window.station().roster().at(0).key,
                                                          Qt::LeftButton, {});
                desk.window.menus().mnu_sendfile->trigger();
            } else if (purpose == "receive") {
                desk.receive(Offer);
                if (!QTest::qWaitFor([&] { return desk.question(); }))
                    return nullptr;
                desk.question()->button(QMessageBox::Yes)->click();
            } else {
                desk.window.menus().mnuSimpleText->trigger();
            }
            return shownDialog<QFileDialog>();
        };
        const QString first = firstFolder == "-"
                                  ? TranscriptSaver::initialFolder(Platform::programFolder())
                                  : home.filePath(firstFolder);
        QFileDialog* dialog = open();
        QVERIFY(dialog);
        QCOMPARE(QDir(dialog->directory()), QDir(first));
        if (purpose == "receive")
            QCOMPARE(dialog->selectedFiles().value(0), QDir(first).filePath("x.txt"));

        home.mkpath(QStringLiteral("chosen"));
        const QString chosen = home.filePath(QStringLiteral("chosen/y.txt"));
        if (purpose == "send") // only a file that is there can be offered
            QFile(chosen).open(QIODevice::WriteOnly);
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
        QTRY_VERIFY(!shownDialog<QFileDialog>());
        if (purpose == "transcript") // the next save waits for this one
            QTRY_VERIFY(desk.lines().last().startsWith("obsah diskuze byl uložen"));
        dialog = open();
        QVERIFY(dialog);
        QCOMPARE(QDir(dialog->directory()), QDir(home.filePath("chosen")));
        static_cast<QDialog*>(dialog)->reject();

        // A folder that has gone since is not where a dialog opens.
        QVERIFY(QDir(home.filePath("chosen")).removeRecursively());
        dialog = open();
        QVERIFY(dialog);
        QCOMPARE(QDir(dialog->directory()), QDir(first));
    }
};

QTEST_MAIN(tst_PacketWindows)
#include "tst_packetwindows.moc"
