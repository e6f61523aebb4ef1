#include "AboutText.h"

#include "SettingsStore.h"
#include "Version.h"

#include <QStringList>

namespace AboutText {

QString block(const AboutFacts& facts)
{
    const QString maker = QLatin1String(Version::Maker);
    const QString web = QLatin1String(Version::MakerWeb);
    const QString service = facts.updateServiceVersion.isEmpty()
                                ? QStringLiteral("služba není nainstalována")
                                : facts.updateServiceVersion;
    const QStringList lines{
        QStringLiteral("Kestrowind - síťová komunikace snadno a česky"),
        QStringLiteral("verze: %1.%2 interní build: %3, CZE")
            .arg(Version::Major)
            .arg(Version::Minor)
            .arg(Version::Build),
        QStringLiteral("autor: %1, %2, %3").arg(maker, web, QLatin1String(Version::MakerMail)),
        QStringLiteral("beta testeři: tým %1").arg(maker),
        QStringLiteral("služba inovací: Orlathe UpdateService, verze: ") + service,
        QStringLiteral("© 2008 %1, všechna práva vyhrazena").arg(maker),
        QString(53, QLatin1Char('=')),
        QStringLiteral("informace o uživateli"),
        QStringLiteral("IP: ") + facts.ownAddress,
        QStringLiteral("přihlášený uživatel: ") + facts.loginName,
        QStringLiteral("nick uživatele: ") + facts.nick,
        QStringLiteral("název počítače: ") + facts.machineName,
        QString(),
        QString(),
        web,
    };
    return QLatin1Char('\r') + lines.join(QLatin1Char('\r'));
}

QString updateServiceVersion(const SettingsStore& store)
{
    return store.read(QStringLiteral("orlathe_UpdateService"), QStringLiteral("options"),
                      QStringLiteral("version"));
}

} // namespace AboutText
