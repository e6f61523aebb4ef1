#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>

namespace {

// The strings of Qt's file and print dialogs that came with this Qt and that its Czech
// catalogue has no translation for yet. Asked after the catalogue, so an updated catalogue
// wins.
class MissingQtStrings final : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override
    {
        struct Entry {
            const char* context;
            const char* source;
            const char* czech;
        };
        static constexpr Entry Entries[] = {
            {"QAbstractFileIconProvider", "Folder", "Složka"},
            {"QAbstractFileIconProvider", "Drive", "Disková jednotka"},
            {"QAbstractFileIconProvider", "Unknown", "Neznámý"},
            {"QPrintSettingsOutput", "Pages", "Strany"},
            {"QPrintSettingsOutput",
             "Specify pages or ranges separated by commas. Ranges are specified by two numbers "
             "separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.",
             "Zadejte strany nebo rozsahy stran oddělené čárkami. Rozsah tvoří dvě čísla "
             "spojená pomlčkou. Např. 3,5-7,9 vytiskne strany 3, 5, 6, 7 a 9."},
            {"QPrintSettingsOutput", "Double Sided Printing", "Oboustranný tisk"},
            {"QPrintSettingsOutput", "Off", "Vypnuto"},
            {"QPrintSettingsOutput", "Long side binding", "Vazba na delší straně"},
            {"QPrintSettingsOutput", "Short side binding", "Vazba na kratší straně"},
            {"QPrintPropertiesWidget", "Advanced", "Pokročilé"},
            {"QPrintPropertiesWidget", "There are conflicts in some options. Please fix them.",
             "Některé volby si odporují. Opravte je, prosím."},
            {"QPrintDialog", "Invalid Pages Definition", "Neplatné zadání stran"},
            {"QPrintDialog",
             "%1 does not follow the correct syntax. Please use ',' to separate ranges and "
             "pages, '-' to define ranges and make sure ranges do not intersect with each "
             "other.",
             "%1 nemá správný tvar. Strany a rozsahy oddělte znakem ',', rozsah zadejte "
             "znakem '-' a dbejte, aby se rozsahy nepřekrývaly."},
            {"QPrintDialog", "Duplex Settings Conflicts",
             "Nastavení oboustranného tisku si odporuje"},
            {"QPrintDialog", "There are conflicts in duplex settings. Do you want to fix them?",
             "Nastavení oboustranného tisku si odporuje. Chcete je opravit?"},
            {"QPrintPropertiesDialog", "Page Setup Conflicts", "Nastavení stránky si odporuje"},
            {"QPrintPropertiesDialog",
             "There are conflicts in page setup options. Do you want to fix them?",
             "Volby nastavení stránky si odporují. Chcete je opravit?"},
            {"QPrintPropertiesDialog", "Advanced Option Conflicts", "Pokročilé volby si odporují"},
            {"QPrintPropertiesDialog",
             "There are conflicts in some advanced options. Do you want to fix them?",
             "Některé pokročilé volby si odporují. Chcete je opravit?"},
        };
        if (!context || !sourceText)
            return {};
        for (const Entry& entry : Entries) {
            if (std::strcmp(entry.source, sourceText) == 0 &&
                std::strcmp(entry.context, context) == 0)
                return QString::fromUtf8(entry.czech);
        }
        return {};
    }
};

} // namespace

bool installCzechTranslations()
{
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    // The desktop's own dialogs would speak the desktop's language.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QCoreApplication* application = QCoreApplication::instance();
    QCoreApplication::installTranslator(new MissingQtStrings(application));
    auto* translator = new QTranslator(application);
    if (!translator->load(QLocale(QLocale::Czech), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
