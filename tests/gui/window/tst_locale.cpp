// Qt's own file and print dialogs, and numbers and dates, speak Czech whatever the desktop's
// language: this runs once under LANG=C and once under LANG=en_US.UTF-8.
#include "core/app/Translations.h"
#include "gui/common/FileDialogLocale.h"

#include <QApplication>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>

namespace {

// Installed first and so asked last: it hears only what no catalogue translated.
class UntranslatedStrings final : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        // The dialogs' parts; not the names of keys that no menu here shows.
        const QString part = QString::fromLatin1(context);
        for (const char* dialogs : {"QFile", "QAbstractFileIcon", "QPrint", "QPage", "QCups"}) {
            if (part.startsWith(QLatin1String(dialogs)))
                missed << part + QLatin1String(" | ") + QString::fromUtf8(source);
        }
        return {};
    }
    mutable QStringList missed;
};

} // namespace

class tst_Locale final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Under a Czech desktop this would prove nothing.
        QVERIFY(QLocale::system().language() != QLocale::Czech);
        QCoreApplication::installTranslator(&m_untranslated);
        QVERIFY(installCzechTranslations());
        new FileDialogLocale(qApp);
    }

    void qtDialogsAreCzech()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("složka")));
        QFile file(dir.filePath(QStringLiteral("zpráva.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(1536, 'x')) == 1536);
        QVERIFY(file.flush() && file.setFileTime(QDateTime(QDate(2023, 12, 7), QTime(15, 4)),
                                                 QFileDevice::FileModificationTime));
        file.close();

        QFileDialog dialog(nullptr, {}, dir.path());
        dialog.setViewMode(QFileDialog::Detail);
        dialog.show();
        const auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        QVERIFY(view);
        // Size, type and date as the list shows them, by the entry's name.
        const auto row = [view](const QString& name) {
            const QModelIndex root = view->rootIndex();
            const QModelIndexList found = view->model()->match(
                view->model()->index(0, 0, root), Qt::DisplayRole, name, 1, Qt::MatchExactly);
            QStringList shown;
            for (int column = 1; !found.isEmpty() && column < 4; ++column)
                shown << found[0].siblingAtColumn(column).data().toString();
            return shown;
        };
        QTRY_COMPARE(row(QStringLiteral("zpráva.txt")).value(0), QStringLiteral("1,50 KiB"));
        QCOMPARE(row(QStringLiteral("zpráva.txt")).value(2), QStringLiteral("07.12.23 15:04"));
        QCOMPARE(row(QStringLiteral("složka")).mid(0, 2), (QStringList{"", "Složka"}));

        // Every string it and the print dialog ask for has a Czech translation.
        QPrinter printer;
        QPrintDialog print(&printer);
        print.setOptions(QAbstractPrintDialog::PrintToFile |
                         QAbstractPrintDialog::PrintShowPageSize);
        print.show();
        // The properties are a modal dialog of their own, made on first use.
        QTimer::singleShot(0, [] {
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                modal && !qobject_cast<QPrintDialog*>(modal))
                modal->reject();
        });
        auto* properties = print.findChild<QPushButton*>(QStringLiteral("properties"));
        QVERIFY(properties);
        properties->click();
        m_untranslated.missed.removeDuplicates();
        QVERIFY2(m_untranslated.missed.isEmpty(), qPrintable(m_untranslated.missed.join(u'\n')));
    }

private:
    UntranslatedStrings m_untranslated;
};

QTEST_MAIN(tst_Locale)
#include "tst_locale.moc"
