// Windows a peer's packet opens beside a user who is typing, the welcome box, and where the
// file dialogs start.
#include "MainWindowFixture.h"
#include "core/app/Platform.h"
#include "core/protocol/Messages.h"
#include "gui/common/KeyboardGuard.h"
#include "gui/transcript/TranscriptSaver.h"
#include "gui/window/Composer.h"

#include <QElapsedTimer>
#include <QFileDialog>

namespace {

const QByteArray Offer = QByteArrayLiteral("SENDFILE\t10.0.0.7\vpc12\v5\vx.txt\r\n");

// A key as the keyboard delivers it to a window's focused control; a held key repeats.
void press(QWindow* window, bool held = false, Qt::Key key = Qt::Key_Return)
{
    const QString text = key == Qt::Key_Return ? QStringLiteral("\r") : QString();
    qt_handleKeyEvent(window, QEvent::KeyPress, key, Qt::NoModifier, text, held);
    if (!held)
        qt_handleKeyEvent(window, QEvent::KeyRelease, key, Qt::NoModifier, text);
}
void typeAndHoldEnter(QWindow* window)
{
    for (bool held : {false, true, true, true})
        press(window, held);
}

QMessageBox* boxTitled(const QString& title)
{
    const QList<QMessageBox*> boxes = shownWindows<QMessageBox>();
    const auto found = std::find_if(boxes.begin(), boxes.end(),
                                    [&](QMessageBox* box) { return box->windowTitle() == title; });
    return found == boxes.end() ? nullptr : *found;
}

// A started main window with a home of its own.
struct Desk : MainWindowFixture {
    Desk()
    {
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
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
            return question && question->isVisible() && note->isVisible();
        };
        for (QMessageBox* raised : {question.data(), note.data()})
            QVERIFY(raised->testAttribute(Qt::WA_ShowWithoutActivating) && !raised->isModal());
        typeAndHoldEnter(QGuiApplication::focusWindow());
        QVERIFY(bothOpen());
        QCOMPARE(desk.window.focusWidget(), composer);
        // Offscreen, every window shown is made active; a window manager leaves the keyboard.
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QCOMPARE(QApplication::focusWidget(), composer);
        for (QMessageBox* box : {question.data(), note.data()}) {
            box->activateWindow();
            typeAndHoldEnter(box->windowHandle());
            press(box->windowHandle(), false, Qt::Key_Escape);
            QVERIFY(bothOpen());
        }

        // A click answers at once; the save dialog after it takes the keyboard, but held keys
        // only after a fresh press, and that only once the guard's second is over.
        QElapsedTimer sinceSaveShown;
        sinceSaveShown.start();
        question->button(QMessageBox::Yes)->click();
        const QPointer<QFileDialog> save = shownDialog<QFileDialog>();
        QVERIFY(save);
        typeAndHoldEnter(save->windowHandle());
        QVERIFY(save && save->isVisible());
        QTest::mouseClick(note->button(QMessageBox::Ok), Qt::LeftButton);
        QTRY_VERIFY(!note);
        const auto savedByAFreshPress = [&save] {
            if (save && save->isVisible())
                press(save->windowHandle());
            return !save || !save->isVisible();
        };
        QTRY_VERIFY_WITH_TIMEOUT(savedByAFreshPress(), 3000);
        QVERIFY(sinceSaveShown.elapsed() >= KeyboardGuard::DefaultDelay.count());
    }

    void welcomeBoxTakesTheKeyboard()
    {
        MainWindowFixture fresh;
        QVERIFY(fresh.window.Form_Load({}));
        fresh.window.show();
        QMessageBox* welcome = shownDialog<QMessageBox>();
        QVERIFY(welcome);
        QTRY_COMPARE(QApplication::activeWindow(), welcome);
        press(QGuiApplication::focusWindow());
        QVERIFY(!welcome->isVisible());
    }

    // Each purpose starts where this run last chose a file for it while that folder is there,
    // else in its default.
    void fileDialogsStartWhereTheyWereLastUsed_data()
    {
        QTest::addColumn<QString>("purpose");
        QTest::addColumn<bool>("downloads");
        QTest::addColumn<QString>("firstFolder"); // in the home; "-" the transcript's own
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
        const QDir home(desk.home.path());
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
        const QDir first(firstFolder == "-"
                             ? TranscriptSaver::initialFolder(Platform::programFolder())
                             : home.filePath(firstFolder));
        QFileDialog* dialog = nullptr;
        QVERIFY((dialog = open()));
        QCOMPARE(dialog->directory(), first);
        if (purpose == "receive") // still proposing the offered name
            QCOMPARE(dialog->selectedFiles().value(0), first.filePath("x.txt"));

        home.mkdir(QStringLiteral("chosen"));
        const QString chosen = home.filePath(QStringLiteral("chosen/y.txt"));
        if (purpose == "send") // only a file that is there can be offered
            QFile(chosen).open(QIODevice::WriteOnly);
        dialog->selectFile(chosen);
        static_cast<QDialog*>(dialog)->accept();
        if (purpose == "transcript") // the next save waits for this one
            QTRY_VERIFY(desk.lines().last().startsWith("obsah diskuze byl uložen"));
        QVERIFY((dialog = open()));
        QCOMPARE(dialog->directory(), QDir(home.filePath("chosen")));
        static_cast<QDialog*>(dialog)->reject();

        QVERIFY(QDir(home.filePath("chosen")).removeRecursively());
        QVERIFY((dialog = open()));
        QCOMPARE(dialog->directory(), first);
    }
};

QTEST_MAIN(tst_PacketWindows)
#include "tst_packetwindows.moc"
