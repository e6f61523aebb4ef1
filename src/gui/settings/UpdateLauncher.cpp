#include "UpdateLauncher.h"

#include "core/app/SettingsStore.h"
#include "core/app/Version.h"
#include "gui/common/AsyncMessageBox.h"
#include "gui/common/WindowHelpers.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>

#include <cerrno>

namespace {

const QString Service = QStringLiteral("orlathe_UpdateService");
const QString ServiceTitle = QStringLiteral("Orlathe UpdateService");
// Placeholders of the maker's update server.
const QString UpdateHost = QStringLiteral("update.orlathe.example");
const QString ClientDownload = QStringLiteral("https://update.orlathe.example/download/tarn");

#ifdef Q_OS_WIN
const QString ClientFile = QStringLiteral("tarn.exe");
#else
const QString ClientFile = QStringLiteral("tarn");
#endif

struct LaunchError {
    int number = 0;
    QString description;
};

// Started apart from this program, which is about to end.
LaunchError startDetached(const QString& program)
{
    const QFileInfo file(program);
    const QString shown = QDir::toNativeSeparators(program);
    if (!file.isFile())
        return {ENOENT, QStringLiteral("soubor %1 nebyl nalezen").arg(shown)};
    if (!file.isExecutable())
        return {EACCES, QStringLiteral("soubor %1 nelze spustit").arg(shown)};
    if (!QProcess::startDetached(program, {}))
        return {ENOEXEC, QStringLiteral("soubor %1 se nepodařilo spustit").arg(shown)};
    return {};
}

} // namespace

UpdateLauncher::UpdateLauncher(SettingsStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
{
}

QString UpdateLauncher::clientPath(const QString& folder)
{
    QString base = QDir::fromNativeSeparators(folder);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QDir::toNativeSeparators(base + QLatin1Char('/') + ClientFile);
}

void UpdateLauncher::onUpdateLinkClicked(QWidget* dialog)
{
    openMessageBox(dialog, QMessageBox::NoIcon, QStringLiteral("Dotaz"),
                   QStringLiteral("Chcete-li zjistit nové verze, musíte aplikaci ukončit. Chcete "
                                  "aplikaci ukončit nyní?"),
                   QMessageBox::Yes | QMessageBox::No, this,
                   [this, dialog = QPointer(dialog)](QMessageBox::StandardButton answer) {
                       if (answer == QMessageBox::Yes)
                           startClientOrOfferDownload(dialog);
                   });
}

void UpdateLauncher::startClientOrOfferDownload(QWidget* dialog)
{
    const QString folder = m_store.read(Service, QStringLiteral("options"), QStringLiteral("path"));
    if (folder.isEmpty())
        offerDownload(dialog);
    else
        startClient(folder, dialog);
}

void UpdateLauncher::offerDownload(QWidget* dialog)
{
    const QString maker = QLatin1String(Version::MakerWeb);
    const QString question =
        QStringList{QStringLiteral("Nyní bude potřeba klienta stáhnout ze serveru %1.").arg(maker),
                    QStringLiteral("Po stažení klienta nainstalujte a pak klikněte na odkaz k "
                                   "inovaci znovu."),
                    QStringLiteral("Chcete-li klienta stáhnout nyní, klikněte na tlačítko ANO."),
                    QString(),
                    QStringLiteral("Nechcete-li nyní klienta stahovat, klikněte na tlačítko NE a "
                                   "klienta stáhněte později pomocí odkazu na %1.")
                        .arg(UpdateHost)}
            .join(QLatin1Char('\n'));
    const auto download = [dialog, this] {
        openMessageBox(dialog, QMessageBox::Information, ServiceTitle,
                       QStringLiteral("V následujícím kroku se spustí stahování klienta. Po "
                                      "stažení klienta, prosím, nainstalujte. Stahování ze "
                                      "serveru %1 je naprosto bezpečné.")
                           .arg(UpdateHost),
                       QMessageBox::Ok, this,
                       [](QMessageBox::StandardButton) { openExternally(ClientDownload); });
    };
    const auto ask = [dialog, question, download, this] {
        openMessageBox(dialog, QMessageBox::Warning, ServiceTitle, question,
                       QMessageBox::Yes | QMessageBox::No, this,
                       [download](QMessageBox::StandardButton answer) {
                           if (answer == QMessageBox::Yes)
                               download();
                       });
    };
    openMessageBox(dialog, QMessageBox::Warning, ServiceTitle,
                   QStringLiteral("Na vašem počítači není nainstalován klient služby Orlathe "
                                  "UpdateService, který zajišťuje inovace z internetu."),
                   QMessageBox::Ok, this, [ask](QMessageBox::StandardButton) { ask(); });
}

void UpdateLauncher::startClient(const QString& folder, QWidget* dialog)
{
    m_store.write(Service, QStringLiteral("script"), QStringLiteral("returncode"),
                  QStringLiteral("Kestrowind2"));
    const LaunchError error = startDetached(clientPath(folder));
    if (error.number != 0) {
        openMessageBox(dialog, QMessageBox::Critical, ServiceTitle,
                       QStringLiteral("Během souštění klienta, který provádí inovace nastala "
                                      "chyba číslo %1.\n%2.")
                           .arg(error.number)
                           .arg(error.description),
                       QMessageBox::Ok);
        return;
    }
    if (dialog)
        dialog->close();
    emit handedOver();
}
