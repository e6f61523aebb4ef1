#pragma once

#include "core/app/Settings.h"

#include <QLabel>
#include <QWidget>

#include <array>

class QCheckBox;
class QLineEdit;

// A label that acts on a click, for commands drawn as text rather than as buttons. Tab reaches
// it, a focus frame and an underlined text show it has the keyboard, and Enter or Space act as
// a click.
class ClickableLabel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClickableLabel)

public:
    explicit ClickableLabel(const QString& text = {}, QWidget* parent = nullptr);

    // Where the focus frame goes when the visible part is smaller than the label.
    void setFocusArea(const QRect& area) { m_focusArea = area; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void underlineWhileFocused();

    bool m_pressed = false;
    QRect m_focusArea;
};

// The settings dialog, showing options to edit; loading, saving and its lifetime belong to the
// SettingsEditor. Everything in it can be reached and used from the keyboard.
class SettingsDialog final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsDialog)

public:
    explicit SettingsDialog(QWidget* parent = nullptr);

    Options options() const;
    void setOptions(const Options& options);

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
    void buildContribution();
    void buildOptions();
    void orderTabsByPosition();

    QLineEdit* m_nick = nullptr;
    std::array<QCheckBox*, 6> m_checks{}; // Check1 to Check6
};
