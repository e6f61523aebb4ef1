#pragma once

#include "app/Settings.h"

#include <QLabel>
#include <QWidget>

#include <array>

class QCheckBox;
class QLineEdit;

// A label that acts on a click, for commands drawn as text rather than as buttons.
class ClickableLabel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClickableLabel)

public:
    explicit ClickableLabel(const QString& text = {}, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

// The settings dialog. While it exists its nick field and check boxes are the live option
// values; saving and its lifetime belong to the SettingsHolder.
class frmAbout final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    explicit frmAbout(QWidget* parent = nullptr);

    Options options() const;
    void setOptions(const Options& options);

signals:
    void saveClicked();
    void updateLinkClicked();
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildHeader();
    void buildContribution();
    void buildOptions();

    QLineEdit* m_nick = nullptr;
    std::array<QCheckBox*, 6> m_checks{}; // Check1 to Check6
};
