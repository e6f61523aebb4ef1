#include "app/Translations.h"

#include <QCoreApplication>
#include <QTest>

class tst_Translations final : public QObject {
    Q_OBJECT

private slots:
    // The standard buttons of every message box read "Ano" and "Ne".
    void standardButtonsSpeakCzech()
    {
        QVERIFY(installCzechTranslations());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ano"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Ne"));
    }
};

QTEST_GUILESS_MAIN(tst_Translations)
#include "tst_translations.moc"
