#include "app/Autostart.h"
#include "app/Platform.h"
#include "app/SettingsStore.h"
#include "ui/SettingsHolder.h"
#include "ui/frmAbout.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

const QString App = QStringLiteral("kestrowind2");

// A main window stand-in with its own store and autostart folder. Not a first run unless
// asked, so no welcome box gets in the way.
struct Fixture {
    explicit Fixture(bool firstRun = false)
    {
        if (!firstRun)
            write(QStringLiteral("first"), QStringLiteral("true"));
    }

    QString read(const QString& key) const
    {
        return store.read(App, QStringLiteral("options"), key, QStringLiteral("<none>"));
    }
    void write(const QString& key, const QString& value)
    {
        store.write(App, QStringLiteral("options"), key, value);
    }
    template<typename Widget> Widget* control(const char* name)
    {
        return holder.dialog().findChild<Widget*>(QLatin1String(name));
    }
    int dialogCount() const { return window.findChildren<frmAbout*>().size(); }

    QTemporaryDir dir;
    QSettingsStore store{dir.filePath(QStringLiteral("config"))};
    PlatformAutostart autostart{dir.filePath(QStringLiteral("autostart"))};
    QWidget window;
    SettingsHolder holder{store, autostart, dir.path(), &window};
};

void click(QWidget* widget)
{
    QVERIFY(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
}

void deleteClosedDialogs()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

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
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    void oneFixedTopmostDialogWithItsVersion()
    {
        Fixture f;
        frmAbout* made = &f.holder.dialog();
        QVERIFY(!made->isVisible());
        QCOMPARE(made->windowTitle(), QStringLiteral("nastavení aplikace"));
        QCOMPARE(made->size(), QSize(401, 361));
        QCOMPARE(made->minimumSize(), made->maximumSize());
        QCOMPARE(f.control<QLabel>("lblVersion")->text(), QStringLiteral("v.: 2.0 build: 15"));
        QVERIFY(made->rect().contains(f.control<QLabel>("lblVersion")->geometry()));

        f.holder.show();
        f.holder.show();
        QCOMPARE(&f.holder.dialog(), made);
        QCOMPARE(f.dialogCount(), 1);
        QVERIFY(made->isVisible());
        QVERIFY(!made->isModal());
        QVERIFY(made->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void controlsSitWhereDrawn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPoint>("twips");
        const auto row = [](const char* name, const char* text, int left, int top) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(text)
                                << QPoint(left, top);
        };
        row("Label8", "síťová komunikace snadno a česky", 480, 375);
        row("Label4", "Orlathe", 5040, 360);
        row("Label3", "vaše přezdívka", 120, 1800);
        row("Text1", "", 1800, 1800);
        row("Label9", "při minimalizovaném okně aplikace", 120, 2160);
        row("Check3", "upozorňovat na aktivitu v chatu bublinou", 600, 2400);
        row("Check5", "maximalizovat okno", 600, 2640);
        row("Check6", "přehrát zvuk", 600, 2880);
        row("Label10", "ostatní nastavení", 120, 3360);
        row("Check1", "spouštět aplikaci po startu operačního systému", 600, 3600);
        row("Check2", "po spuštění aplikaci minimalizovat", 600, 3840);
        row("Check4", "při aktivitě v chatu přehrát zvuk", 600, 4080);
        row("Label36", "zjistit nové verze aplikace", 120, 4560);
        row("Label2", "storno", 120, 5040);
        row("Label1", "uložit změny", 4440, 5040);
    }

    void controlsSitWhereDrawn()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QPoint, twips);
        Fixture f;
        auto* widget = f.holder.dialog().findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->pos(), twips / 15);
        QCOMPARE(widget->property("text").toString(), text);
        QVERIFY(f.holder.dialog().rect().contains(widget->geometry()));
    }

    void contributionAndLinksLeaveTheDialogOpen()
    {
        Fixture f;
        const QStringList lines = f.control<QLabel>("Label29")->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0),
                 QStringLiteral("Líbí-li se vám aplikace a používáte-li ji, můžete přispět"));
        QCOMPARE(lines.value(1),
                 QStringLiteral("na další vývoj zasláním libovolné částky na účet:"));
        QVERIFY(lines.value(3).endsWith(QStringLiteral("Děkuji vám.")));
        QCOMPARE(f.control<QLabel>("Label36")->toolTip(), QStringLiteral("zjistit nové verze"));

        QSignalSpy update(&f.holder, &SettingsHolder::updateLinkClicked);
        f.holder.show();
        m_opened.clear();
        click(f.control<QLabel>("Label4"));
        click(f.control<QLabel>("Image2"));
        QCOMPARE(m_opened, (QList<QUrl>{QUrl(QStringLiteral("http://www.orlathe.example")),
                                        QUrl(QStringLiteral("http://www.orlathe.example"))}));
        click(f.control<QLabel>("Label36"));
        QCOMPARE(update.count(), 1);
        QVERIFY(f.holder.dialog().isVisible());
    }

    void closingWithoutSavingDropsEdits_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("storno") << false;
        QTest::newRow("close box") << true;
    }

    void closingWithoutSavingDropsEdits()
    {
        QFETCH(bool, closeBox);
        Fixture f;
        f.write(QStringLiteral("nick"), QStringLiteral("Bohdan"));
        f.holder.show();
        QPointer<frmAbout> shown = &f.holder.dialog();
        click(f.control<QCheckBox>("Check4"));
        f.control<QLineEdit>("Text1")->setText(QStringLiteral("Jiný"));
        QVERIFY(f.holder.current().playsound);

        if (closeBox)
            shown->close();
        else
            click(f.control<QLabel>("Label2"));
        // Gone from the holder at once, deleted only when control is back in the event loop.
        QVERIFY(shown);
        QVERIFY(!shown->isVisible());
        QVERIFY(!f.holder.current().playsound);
        QCOMPARE(f.holder.current().nick, QStringLiteral("Bohdan"));
        QVERIFY(&f.holder.dialog() != shown.data());
        deleteClosedDialogs();
        QVERIFY(!shown);
        QCOMPARE(f.dialogCount(), 1);
        QCOMPARE(f.read(QStringLiteral("playsound")), QStringLiteral("<none>"));
    }

    void savingAnnouncesThenStoresAndCloses()
    {
        Fixture f;
        f.write(QStringLiteral("nick"), QStringLiteral("starý"));
        f.holder.show();
        QPointer<frmAbout> shown = &f.holder.dialog();
        f.control<QLineEdit>("Text1")->setText(QStringLiteral("nový"));
        click(f.control<QCheckBox>("Check1"));
        click(f.control<QCheckBox>("Check6"));

        QStringList storedWhenAnnounced;
        connect(&f.holder, &SettingsHolder::nickConfirmed, this,
                [&] { storedWhenAnnounced << f.read(QStringLiteral("nick")); });
        QSignalSpy confirmed(&f.holder, &SettingsHolder::nickConfirmed);
        click(f.control<QLabel>("Label1"));

        QCOMPARE(confirmed.count(), 1);
        QCOMPARE(confirmed.at(0).at(0).toString(), QStringLiteral("nový"));
        QCOMPARE(storedWhenAnnounced, QStringList{QStringLiteral("starý")});
        QCOMPARE(f.read(QStringLiteral("nick")), QStringLiteral("nový"));
        QCOMPARE(f.read(QStringLiteral("afterstart")), QStringLiteral("1"));
        QCOMPARE(f.read(QStringLiteral("playwhenmin")), QStringLiteral("1"));
        QVERIFY(f.autostart.isEnabled());
        QVERIFY(shown && !shown->isVisible());
        deleteClosedDialogs();
        QVERIFY(!shown);
        QCOMPARE(f.holder.current().nick, QStringLiteral("nový"));
    }

    void windowTakesHolderAndDialogAlong_data()
    {
        QTest::addColumn<bool>("closedFirst");
        QTest::newRow("open") << false;
        QTest::newRow("closed, not yet deleted") << true;
    }

    void windowTakesHolderAndDialogAlong()
    {
        QFETCH(bool, closedFirst);
        Fixture f;
        auto* window = new QWidget;
        QPointer<SettingsHolder> holder =
            new SettingsHolder(f.store, f.autostart, f.dir.path(), window);
        holder->show();
        QPointer<frmAbout> dialog = &holder->dialog();
        if (closedFirst)
            dialog->close();
        delete window;
        QVERIFY(!holder);
        QVERIFY(!dialog);
        deleteClosedDialogs();
    }

    void nickFromTheMenuIsSetAndSavedWithoutShowing()
    {
        Fixture f;
        f.holder.setNick(QStringLiteral("z menu"));
        f.holder.save();
        QCOMPARE(f.read(QStringLiteral("nick")), QStringLiteral("z menu"));
        QVERIFY(!f.holder.dialog().isVisible());
    }

    void firstRunWelcomesWithoutBlocking()
    {
        Fixture f(true);
        QCOMPARE(f.holder.current().nick, Platform::GetWindowsUserName());
        QCOMPARE(f.read(QStringLiteral("first")), QStringLiteral("true"));

        const auto boxes = f.window.findChildren<QMessageBox*>();
        QCOMPARE(boxes.size(), 1);
        QMessageBox* box = boxes.first();
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowModality(), Qt::NonModal);
        QCOMPARE(box->icon(), QMessageBox::Information);
        QCOMPARE(box->windowTitle(), QStringLiteral("Kestrowind 2"));
        QCOMPARE(box->text(), QStringLiteral("Vítejte v aplikaci pro komunikaci uživatelů v síti."
                                             "\r\n\r\nwww.orlathe.example, info@orlathe.example"));
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);

        // Only the first creation greets.
        f.holder.dialog().close();
        f.holder.current();
        QCOMPARE(f.window.findChildren<QMessageBox*>().size(), 1);
    }

private:
    QTemporaryDir m_home;
    QList<QUrl> m_opened;
};

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
