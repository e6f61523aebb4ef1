#include "Main.h"

#include "MainWindow.h"
#include "core/app/Autostart.h"
#include "core/app/ChatClient.h"
#include "core/app/CommandLine.h"
#include "core/app/SettingsStore.h"
#include "core/app/SingleInstance.h"
#include "core/app/TerminationSignals.h"
#include "core/app/Translations.h"
#include "core/app/Version.h"
#include "gui/common/FileDialogLocale.h"
#include "gui/common/WindowHelpers.h"
#include "gui/tray/SoundPlayer.h"
#include "gui/tray/TrayIcon.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>

#include <optional>

namespace {

QString helpText()
{
    return QStringList{QStringLiteral("/hide - spustí aplikaci minimalizovanou"),
                       QStringLiteral("/? - nápověda"),
                       QString(),
                       QStringLiteral("© 2005-2006 %1, všechna práva vyhrazena")
                           .arg(QLatin1String(Version::Maker)),
                       QStringLiteral("%1, %2").arg(QLatin1String(Version::MakerWeb),
                                                    QLatin1String(Version::MakerMail)),
                       QString(),
                       QStringLiteral("inovace poskytuje služba Orlathe UpdateService")}
        .join(QStringLiteral("\r\n"));
}

} // namespace

void prepareApplication()
{
    installCzechTranslations();
    new FileDialogLocale(qApp);
    QApplication::setApplicationName(QString::fromLatin1(Version::SettingsApplication));
    // No display name: under X11 Qt would append it to every window's caption. The desktop
    // file name lets the desktop match the window to its menu entry and show its icon.
    QApplication::setDesktopFileName(QString::fromLatin1(Version::DesktopId));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(Version::Major).arg(Version::Minor).arg(Version::Build));
}

int runProgram(QApplication& app)
{
    prepareApplication();

    const StartOptions start =
        CommandLine::parse(CommandLine::argumentText(QCoreApplication::arguments()));
    if (start.help) {
        QMessageBox::information(nullptr, QString::fromLatin1(Version::ApplicationTitle),
                                 helpText());
        return 0;
    }
    SingleInstance instance;
    if (!instance.tryAcquire()) {
        // The running copy shows its window and this start has nothing left to do. Only a copy
        // that does not answer is worth a word, unless it has just ended and left the place.
        if (instance.askRunningCopyToShow())
            return 0;
        if (!instance.tryAcquire()) {
            QMessageBox::warning(
                nullptr, QStringLiteral("Duplicitní spuštění"),
                QStringLiteral("Nemohou běžet dvě instance aplikace %1 ve stejný čas")
                    .arg(QLatin1String(Version::ProductName)));
            return 0;
        }
    }
    QCoreApplication::processEvents();

    QSettingsStore store;
    PlatformAutostart autostart;
    WaveFilePlayer sound;
    TrayIcon tray;
    // The client first: it outlives the window, which only shows it.
    ChatClient client({store, autostart});
    MainWindow window(client, {sound, tray});
    // SIGTERM and SIGINT end the program as closing the window does, goodbye to the peers
    // included. Caught before the station announces itself, so that no signal after the
    // announcement ends it silently; "/uninstall" announces nothing and keeps the default.
    std::optional<TerminationSignals> termination;
    if (!start.uninstall) {
        termination.emplace();
        QObject::connect(&*termination, &TerminationSignals::terminationRequested, &window,
                         &QWidget::close);
    }
    // A later start brings the window back as a double click on the tray icon does.
    QObject::connect(&instance, &SingleInstance::showRequested, &window,
                     &MainWindow::restoreWindow);
    QObject::connect(&window, &MainWindow::unloaded, &instance, &SingleInstance::stopListening);
    instance.listen();
    if (!window.start(start))
        return 0;

    // The program ends when its main window unloads, not when its last visible window
    // closes: a message box closed while the window sits in the tray is not the end.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &MainWindow::unloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // The session's end says goodbye too.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.close(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &MainWindow::shutDown);

    addDropShadow(&window);
    window.presentAtStart(start.hide);
    return QApplication::exec();
}
