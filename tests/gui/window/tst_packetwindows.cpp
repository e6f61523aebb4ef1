// Windows a peer's packet opens beside a typing user, the welcome box, the file dialogs' folders.
#include "MainWindowFixture.h"
#include "core/app/Platform.h"
#include "core/protocol/Messages.h"
#include "gui/transcript/TranscriptSaver.h"
#include "gui/transfer/TransferDialogs.h"
#include "gui/window/Composer.h"

#include <QFileDialog>

namespace {

const QByteArray Offer = QByteArrayLiteral("SENDFILE\t10.0.0.7\vpc12\v5\vx.txt\r\n");
const QString NoteTitle = QStringLiteral("zpráva od: pc12 [10.0.0.7]");

// A key as the keyboard delivers it to a window's focused control; a held key repeats.
void press(QWindow* window, bool held = false, Qt::Key key = Qt::Key_Return)
{
    const QString text = key == Qt::Key_Return ? QStringLiteral("\r") : QString();
    qt_handleKeyEvent(window, QEvent::KeyPress, key, Qt::NoModifier, text, held);
    if (!held)
        qt_handleKeyEvent(window, QEvent::KeyRelease, key, Qt::NoModifier, text);
}

QMessageBox* boxTitled(const QString& title)
{
    for (QMessageBox* box : shownWindows<QMessageBox>()) {
        if (box->windowTitle() == title)
            return box;
    }
    return nullptr;
}

// A started window with a home of its own; the save dialog's guard drops only keys held before.
struct Desk : MainWindowFixture {
    Desk()
    {
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        window.transferDialogs().setKeyGuardDelay(std::chrono::milliseconds(0));
        start(QStringLiteral("Jana"));
    }
    QMessageBox* question() const { return boxTitled(QStringLiteral("příjem souboru")); }
    QTemporaryDir home;
};

} // namespace

class tst_PacketWindows final : public QObject {
    Q_OBJECT

private slots:
    // Enter typed and held in the composer as an offer and a note come in: neither takes the
    // keyboard, and where the window manager hands it to them anyway, neither answers to it.
    void typingGoesOnWhileAnOfferAndANoteArrive()
    {
        KW_SKIP_WITHOUT_KEYBOARD();
        Desk desk;
        Composer* composer = desk.window.composer();
        desk.window.activateWindow();
        composer->setFocus();
        QTRY_VERIFY(composer->hasFocus());
        desk.receive(Offer);
        desk.receive(Outgoing::messageBox("10.0.0.7", "pc12", QStringLiteral("přijď")));
        QTRY_VERIFY(desk.question() && boxTitled(NoteTitle));
        const QPointer<QMessageBox> question = desk.question(), note = boxTitled(NoteTitle);
        const auto bothOpen = [&] {
            return question && question->isVisible() && note->isVisible();
        };
        for (QMessageBox* raised : {question.data(), note.data()})
            QVERIFY(raised->testAttribute(Qt::WA_ShowWithoutActivating) && !raised->isModal());
        for (bool held : {false, true, true, true})
            press(QGuiApplication::focusWindow(), held);
        QVERIFY(bothOpen());
        QCOMPARE(desk.window.focusWidget(), composer);
        // Offscreen, every window shown is made active; a window manager leaves the keyboard.
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QCOMPARE(QApplication::focusWidget(), composer);
        for (QMessageBox* box : {question.data(), note.data()}) {
            box->activateWindow();
            for (bool held : {false, true, true, true})
                press(box->windowHandle(), held);
            press(box->windowHandle(), false, Qt::Key_Escape);
            QVERIFY(bothOpen());
        }

        // A click answers at once; the save dialog after it takes the keyboard, but a key held
        // from before repeats into it only after a fresh press.
        question->button(QMessageBox::Yes)->click();
        const QPointer<QFileDialog> save = shownDialog<QFileDialog>();
        QVERIFY(save);
        for (int repeat = 0; repeat < 3; ++repeat)
            press(save->windowHandle(), true);
        QVERIFY(save && save->isVisible());
        QTest::mouseClick(note->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY(!note);
        press(save->windowHandle());
        QTRY_VERIFY(!save || !save->isVisible());
    }

    void welcomeBoxTakesTheKeyboard()
    {
        KW_SKIP_WITHOUT_KEYBOARD();
        MainWindowFixture fresh;
        QVERIFY(fresh.window.start({}));
        fresh.window.show();
        QMessageBox* welcome = shownDialog<QMessageBox>();
        QTRY_VERIFY(welcome && QApplication::activeWindow() == welcome);
        press(QGuiApplication::focusWindow());
        QVERIFY(!welcome->isVisible());
    }

    // Each purpose starts where this run last chose a file for it while that folder is there,
    // else in its default: home, the download folder if any, the transcripts' own folder.
    void fileDialogsStartWhereTheyWereLastUsed()
    {
        Desk desk;
        QVERIFY(desk.listsItself());
        const QDir home(desk.home.path());
        // Opens the purpose's dialog; gives the folder it starts in.
        int offers = 0;
        const auto startsIn = [&desk, &offers](const QString& purpose) {
            if (purpose == "send") {
                desk.window.userActions().onEntryReleased(desk.station().roster().at(0).key,
                                                          Qt::LeftButton, {});
                desk.window.menus().user().sendFile->trigger();
            } else if (purpose == "receive") {
                // Each unlike the last, which would be dropped as its copy within a second.
                desk.receive(QByteArray(Offer).replace(
                    "\v5\v", "\v5" + QByteArray::number(++offers) + '\v'));
                if (QTest::qWaitFor([&desk] { return desk.question(); }))
                    desk.question()->button(QMessageBox::Yes)->click();
            } else {
                desk.window.menus().tools().saveAsText->trigger();
            }
            QFileDialog* dialog = shownDialog<QFileDialog>();
            return dialog ? dialog->directory().path() : QString();
        };
        const auto cancel = [] { static_cast<QDialog*>(shownDialog<QFileDialog>())->reject(); };
        QCOMPARE(startsIn("receive"), home.path()); // no download folder yet
        QCOMPARE(shownDialog<QFileDialog>()->selectedFiles().value(0), home.filePath("x.txt"));
        cancel();

        QVERIFY(home.mkpath("Downloads") && home.mkpath("chosen"));
        // Only a file that is there can be offered.
        QVERIFY(QFile(home.filePath("chosen/s.txt")).open(QIODevice::WriteOnly));
        const std::tuple<QString, QString, QString> purposes[] = {
            {"send", home.path(), "s.txt"},
            {"receive", home.filePath("Downloads"), "r.txt"},
            {"transcript", TranscriptSaver::initialFolder(Platform::programFolder()), "t.txt"}};
        for (const auto& [purpose, folder, file] : purposes) {
            QCOMPARE(startsIn(purpose), folder);
            QVERIFY(acceptDialog<QFileDialog>(home.filePath("chosen/" + file)));
        }
        // The next save waits for this one.
        QTRY_VERIFY(!desk.lines().filter("obsah diskuze byl uložen").isEmpty());
        for (const bool chosenIsThere : {true, false}) {
            for (const auto& [purpose, folder, file] : purposes) {
                QCOMPARE(startsIn(purpose), chosenIsThere ? home.filePath("chosen") : folder);
                cancel();
            }
            QVERIFY(QDir(home.filePath("chosen")).removeRecursively());
        }
    }
};

QTEST_MAIN(tst_PacketWindows)
#include "tst_packetwindows.moc"
