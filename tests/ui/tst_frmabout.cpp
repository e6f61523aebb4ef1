#include "app/Autostart.h"
#include "app/Platform.h"
#include "app/SettingsStore.h"
#include "ui/SettingsHolder.h"
#include "ui/frmAbout.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }

    void oneFixedTopmostDialogWhoseLinksLeaveItOpen()
    {
        Fixture f;
        frmAbout* made = &f.holder.dialog();
        QVERIFY(!made->isVisible());
        QCOMPARE(made->windowTitle(), QStringLiteral("nastavení aplikace"));
        QCOMPARE(made->maximumSize(), made->minimumSize());
        QCOMPARE(f.control("lblVersion")->text(), QStringLiteral("v.: 2.0 build: 15"));
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
        // The menu's nick is set and saved without showing the dialog.
        f.holder.setNick(QStringLiteral("z menu"));
        f.holder.save();
        QCOMPARE(f.read("nick"), QStringLiteral("z menu"));
        QVERIFY(!f.holder.dialog().isVisible());
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

private:
    QTemporaryDir m_home;
    QList<QUrl> m_opened;
};

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
