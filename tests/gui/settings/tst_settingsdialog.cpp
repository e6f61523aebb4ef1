// The settings dialog of a started main window, and its update link.
#include "MainWindowFixture.h"
#include "core/app/SettingsModel.h"
#include "core/app/Version.h"
#include "gui/common/ClickableLabel.h"
#include "gui/settings/SettingsDialog.h"
#include "gui/settings/SettingsEditor.h"
#include "gui/settings/UpdateLauncher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>

#include <cerrno>

namespace {

struct Window : MainWindowFixture {
    Window()
    {
        if (!start(QStringLiteral("starý")))
            qFatal("the window did not start");
    }
    SettingsEditor& editor() { return window.settingsEditor(); }
    Options inForce() { return client.settings().options(); }
    QWidget* control(const char* name) { return editor().dialog()->findChild<QWidget*>(name); }
    SettingsDialog& shown()
    {
        editor().show();
        return *editor().dialog();
    }
};

void press(QWidget* control, int key = 0)
{
    if (!key)
        return QTest::mouseClick(control, Qt::LeftButton, {}, {2, 2});
    control->setFocus(Qt::TabFocusReason);
    QTest::keyClick(control, Qt::Key(key));
}

using Button = QMessageBox::StandardButton;
const char* const LinkSchemes[] = {"http", "https", "file"};

} // namespace

class tst_SettingsDialog final : public QObject {
    Q_OBJECT

public slots:
    void openUrl(const QUrl& url) { m_opened.append(url); }

private slots:
    // Links must not reach a real browser.
    void initTestCase()
    {
        for (const char* scheme : LinkSchemes)
            QDesktopServices::setUrlHandler(scheme, this, "openUrl");
    }
    void cleanupTestCase()
    {
        for (const char* scheme : LinkSchemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    void init() { m_opened.clear(); }

    // One fixed, topmost, modeless dialog. Tab goes round every control in reading order, each
    // visibly focused, Backtab goes back; the links, by mouse or key, leave it open. Each box holds
    // an option of its own: ticked alone it reads back as one that, set alone, ticks it alone.
    void oneFixedTopmostDialogByKeyAndMouse()
    {
        Window w;
        QVERIFY(!w.editor().dialog()); // none until it is shown
        SettingsDialog& dialog = w.shown();
        QCOMPARE(&w.shown(), &dialog); // shown again, not made again
        QVERIFY(dialog.maximumSize() == dialog.minimumSize() && !dialog.isModal() &&
                dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(dialog.rect().contains(w.control("versionLabel")->geometry()));

        KW_SKIP_WITHOUT_KEYBOARD();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QList<QWidget*> chain{QApplication::focusWidget()};
        QCOMPARE(chain.first(), w.control("nickEdit"));
        for (QImage focused = chain.first()->grab().toImage(); chain.size() < 20;) {
            QTest::keyClick(chain.last(), Qt::Key_Tab);
            QVERIFY(chain.last()->grab().toImage() != focused);
            if (QApplication::focusWidget() == chain.first())
                break;
            chain << QApplication::focusWidget();
            focused = chain.last()->grab().toImage();
        }
        const QList<QCheckBox*> boxes = dialog.findChildren<QCheckBox*>();
        // The nick, the boxes, the extra addresses, the interface and the links.
        QCOMPARE(chain.size(), 3 + boxes.size() + dialog.findChildren<ClickableLabel*>().size());
        int wraps = 0; // where the next control comes before in reading order
        for (qsizetype i = 0; i < chain.size(); ++i) {
            const QWidget *at = chain[i], *next = chain[(i + 1) % chain.size()];
            wraps += std::pair(next->y(), next->x()) < std::pair(at->y(), at->x());
        }
        QCOMPARE(wraps, 1);
        QTest::keyClick(chain.first(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), chain.last());

        QSignalSpy update(&w.editor(), &SettingsEditor::updateLinkClicked);
        press(w.control("makerLink"));
        press(w.control("bankLink"), Qt::Key_Space);
        press(w.control("updateLink"), Qt::Key_Return);
        const QUrl web(QStringLiteral("http://") + QLatin1String(Version::MakerWeb));
        QCOMPARE(m_opened, (QList<QUrl>{web, web}));
        QVERIFY(update.count() == 1 && dialog.isVisible());

        for (QCheckBox* box : boxes) {
            dialog.setOptions({});
            press(box);
            const Options ticked = dialog.options();
            QVERIFY(ticked != Options{});
            dialog.setOptions({});
            dialog.setOptions(ticked);
            for (const QCheckBox* other : boxes)
                QVERIFY2(other->isChecked() == (other == box), qPrintable(box->text()));
        }
    }

    // The menu item opens the history's folder, made if need be. The box ticked and saved, every
    // entry goes to the day's file as the text export writes it.
    void theHistoryBoxSavesTheTranscript()
    {
        Window w;
        w.window.menus().tools().openHistoryFolder->trigger();
        QDir folder(w.client.history().folder());
        QVERIFY(folder.exists() && m_opened == QList{QUrl::fromLocalFile(folder.path())});
        w.shown();
        press(w.control("saveHistoryCheck"));
        press(w.control("saveLink"));
        QCOMPARE(w.storedOption(QStringLiteral("savehistory")), QStringLiteral("1"));
        TranscriptView* chat = w.window.transcript();
        chat->setClock([] { return QTime(12, 34, 56); });
        chat->appendLine(QStringLiteral("řádek\nďalší"), LineLook::Chat, QStringLiteral("Jana"));
        chat->appendBareLine(QStringLiteral("holý"), LineLook::Alert);
        w.client.history().waitUntilWritten();
        QFile day(folder.filePath(folder.entryList(QDir::Files).value(0)));
        QVERIFY(day.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(day.readAll()),
                 QStringLiteral("[12:34:56]<Jana>řádek\r\nďalší\r\nholý\r\n"));
    }

    // Storno, Escape and the close box drop the edits; saving (mouse or Enter anywhere) stores
    // them and announces the new nick while the old one is stored; an empty nick keeps the old.
    void closingDropsEditsUnlessSaved_data()
    {
        QTest::addColumn<QByteArray>("control"); // none: the close box
        QTest::addColumn<int>("key"); // none: a mouse click
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved"); // the nick the save stores; none: not saved
        const auto row = [](const char* name, const char* control, int key, const char* saved,
                            const char* typed = "nový") {
            QTest::newRow(name) << QByteArray(control) << key << typed << saved;
        };
        row("storno", "cancelLink", 0, "");
        row("close box", "", 0, "");
        row("save", "saveLink", 0, "nový");
        row("save emptied", "saveLink", 0, "v provozu", "");
        row("Enter in the nick", "nickEdit", Qt::Key_Return, "nový");
        row("Enter on a box", "soundAlwaysCheck", Qt::Key_Enter, "nový");
        row("Escape in the nick", "nickEdit", Qt::Key_Escape, "");
        row("Escape on a link", "makerLink", Qt::Key_Escape, "");
        row("Enter on storno", "cancelLink", Qt::Key_Return, "");
    }
    void closingDropsEditsUnlessSaved()
    {
        QFETCH(QByteArray, control);
        QFETCH(int, key);
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        Window w;
        w.station().setNick(QStringLiteral("v provozu"));
        QPointer<SettingsDialog> shown = &w.shown();
        QVERIFY(QTest::qWaitForWindowActive(shown));
        qobject_cast<QLineEdit*>(w.control("nickEdit"))->setText(typed);
        press(w.control("startWithSystemCheck"));
        QCOMPARE(shown->options(), (Options{typed, true}));
        QCOMPARE(w.inForce(), Options{"starý"}); // until saved
        QStringList announced;
        connect(&w.editor(), &SettingsEditor::nickConfirmed, this, [&](const QString& nick) {
            announced << nick << w.storedOption(QStringLiteral("nick"));
        });

        control.isEmpty() ? void(shown->close()) : press(w.control(control), key);
        // Forgotten at once, deleted only when control is back in the event loop.
        QVERIFY(shown && !shown->isVisible() && m_opened.isEmpty());
        const bool stored = !saved.isEmpty();
        QCOMPARE(w.inForce(), (stored ? Options{saved, true} : Options{"starý"}));
        QCOMPARE(w.autostart.isEnabled(), stored);
        QCOMPARE(announced, (stored ? QStringList{saved, "starý"} : QStringList{}));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!shown);
    }

    // Invalid extra addresses are pointed out and keep the dialog from saving; a
    // rename meanwhile leaves them as typed. An interface that is gone stays chosen.
    void networkOptionsAreCheckedAndKept()
    {
        Window w;
        Options stored = w.inForce();
        stored.networkInterface = QStringLiteral("eth-pryč");
        w.client.settings().setOptions(stored);
        KW_SKIP_WITHOUT_KEYBOARD();
        SettingsDialog& dialog = w.shown();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* edit = qobject_cast<QPlainTextEdit*>(w.control("extraAddressesEdit"));
        const auto* problem = qobject_cast<QLabel*>(w.control("extraAddressesProblem"));
        QCOMPARE(qobject_cast<QComboBox*>(w.control("interfaceCombo"))->currentText(),
                 QStringLiteral("eth-pryč (nepřipojeno)"));
        const QString typed = QStringLiteral("10.1.2.255, 10.1.2.300\npc-jany");
        edit->setPlainText(typed);
        QVERIFY2(problem->text().endsWith("10.1.2.300, pc-jany"), qPrintable(problem->text()));
        press(w.control("saveLink"));
        QVERIFY(dialog.isVisible() && edit->hasFocus() && w.inForce() == stored);
        w.client.rename(QStringLiteral("jiný"));
        QCOMPARE(edit->toPlainText(), typed);
        edit->setPlainText(QStringLiteral("10.1.2.255, 10.1.2.30\n10.1.2.255"));
        QVERIFY(problem->text().isEmpty());
        press(w.control("saveLink"));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(w.storedOption(QStringLiteral("extraips")),
                 QStringLiteral("10.1.2.255 10.1.2.30"));
        QCOMPARE(w.storedOption(QStringLiteral("interface")), stored.networkInterface);
    }

    // The update link asks to quit first; without a client, boxes tell how to get it. A client
    // takes over (without goodbyes); one that cannot start is reported and the program stays.
    void theUpdateLinkHandsOverToTheClient_data()
    {
        QTest::addColumn<QString>("suffix"); // to the client's folder; none: no client installed
        QTest::addColumn<QFile::Permissions>("client");
        QTest::addColumn<QList<Button>>("answers");
        QTest::addColumn<int>("error"); // -1: it took over
        const QFile::Permissions runs = QFile::ReadOwner | QFile::ExeOwner, none;
        const QList<Button> yes{Button::Yes}, yesOk{Button::Yes, Button::Ok};
        QTest::newRow("none, not now") << QString() << none << QList<Button>{Button::No} << 0;
        QTest::newRow("none, download") << QString() << none << yesOk + yesOk << 0;
        QTest::newRow("none, no download") << QString() << none << (yesOk + QList{Button::No}) << 0;
        QTest::newRow("trailing separator") << "/" << runs << yes << -1;
        QTest::newRow("no separator") << "" << runs << yes << -1;
        QTest::newRow("two separators") << "//" << runs << yes << -1;
        QTest::newRow("missing") << "" << none << yesOk << ENOENT;
        QTest::newRow("not executable")
            << "" << QFile::Permissions(QFile::ReadOwner) << yesOk << EACCES;
    }
    void theUpdateLinkHandsOverToTheClient()
    {
        QFETCH(QString, suffix);
        QFETCH(QFile::Permissions, client);
        QFETCH(QList<Button>, answers);
        QFETCH(int, error);
        Window w;
        const QString service = QStringLiteral("orlathe_UpdateService");
        const QString folder = w.config.filePath(QStringLiteral("klient"));
        QFile program(UpdateLauncher::clientPath(folder));
        if (client) {
            QVERIFY(QDir().mkpath(folder) && program.open(QIODevice::WriteOnly));
            program.write("#!/bin/sh\ntouch \"$0.ran\"\n");
            program.close();
            program.setPermissions(client);
        }
        if (!suffix.isNull())
            w.store.write(service, "options", "path", folder + suffix);
        QSignalSpy unloaded(&w.window, &MainWindow::unloaded);
        QPointer<SettingsDialog> dialog = &w.shown();
        press(w.control("updateLink"));
        QStringList shown;
        for (const Button button : answers)
            shown << answerBox(button);
        QVERIFY(!shown.contains(QStringLiteral("(no box)")) && !shownDialog<QMessageBox>());
        QCOMPARE(m_opened.size(), int(answers.size() == 4));
        QVERIFY2(error <= 0 || (shown.last().contains(QStringLiteral("číslo %1.\n").arg(error)) &&
                                shown.last().contains(program.fileName())),
                 qPrintable(shown.last()));
        QCOMPARE(w.store.read(service, "script", "returncode"),
                 suffix.isNull() ? QString() : QStringLiteral("Kestrowind2"));
        QVERIFY(dialog->isVisible() == (error >= 0) && unloaded.count() == int(error < 0));
        if (error >= 0)
            return;
        w.window.close(); // unloads, as the end of the event loop does
        QVERIFY(w.tray.isInTray() && unloaded.count() == 1);
        QTRY_VERIFY(QFile::exists(program.fileName() + ".ran"));
    }

private:
    QList<QUrl> m_opened;
};

QTEST_MAIN(tst_SettingsDialog)
#include "tst_settingsdialog.moc"
