#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

// The status bar with its panels, the own address and the count of users on line; and a note
// at its right end, there only while it has something to say.
class StatusPanels final : public QStatusBar {
    Q_OBJECT

public:
    enum class Panel { OwnAddress, UsersOnline };
    Q_ENUM(Panel)

    explicit StatusPanels(QWidget* parent = nullptr);

    QString panelText(Panel panel) const;
    // Sets the text only when the panel does not already show it.
    void setPanelText(Panel panel, const QString& text);
    QString panelToolTip(Panel panel) const;
    void setPanelToolTip(Panel panel, const QString& tip);
    QString note() const;
    void showNote(const QString& note);

signals:
    void panelTextChanged(StatusPanels::Panel panel, const QString& text);

private:
    std::array<QLabel*, 2> m_panels{};
    QLabel* m_note = nullptr;
};
