#pragma once

#include <QIdentityProxyModel>
#include <QObject>

// Qt's file dialog writes the sizes and dates of its list in the desktop's locale, whatever
// the program's own. These show them in the default locale instead (Czech, see
// installCzechTranslations), with the dialog's sorting left to the file list itself.
class LocalisedFileList final : public QIdentityProxyModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocalisedFileList)

public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

// Gives every file dialog of the application, whoever opens it, the localised file list as
// it is first shown.
class FileDialogLocale final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileDialogLocale)

public:
    // Watches the application it is made a child of.
    explicit FileDialogLocale(QObject* application);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
