#pragma once

#include "core/app/Settings.h"

#include <QList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The settings dialog, showing options to edit; loading, saving and its lifetime belong to the
// SettingsEditor. Everything in it can be reached and used from the keyboard.
class SettingsDialog final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsDialog)

public:
    explicit SettingsDialog(QWidget* parent = nullptr);

    // The extra addresses are the valid ones the field holds; saveClicked comes only when it
    // holds no others.
    Options options() const;
    void setOptions(const Options& options);
    // Without a notification area the options for a minimised window say where notices go.
    void setTrayMissing(bool missing);

signals:
    void saveClicked();
    void updateLinkClicked();
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter saves and Escape cancels, from wherever the focus is but a link.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildHeader();
    void buildContributionNote();
    void buildNickField();
    void buildOptionBoxes();
    void buildNetworkFields();
    // Says what is wrong with the extra addresses, if anything; true when nothing is.
    bool checkAddresses();
    void requestSave();
    void buildUpdateLink();
    void buildSaveAndCancel();
    void orderTabsByPosition();

    // A check box and the option it holds.
    struct OptionBox {
        bool Options::*option;
        QCheckBox* box;
    };

    QLineEdit* m_nick = nullptr;
    QList<OptionBox> m_optionBoxes;
    QPlainTextEdit* m_extraAddresses = nullptr;
    QLabel* m_addressProblem = nullptr;
    QLabel* m_trayMissing = nullptr;
    QComboBox* m_interface = nullptr;
};
