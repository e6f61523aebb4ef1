#pragma once

#include <QHash>
#include <QStatusBar>

class QLabel;

// The status bar with its panels, addressed by key: "ip" and "users_online"; and a note at its
// right end, there only while it has something to say.
class StatusPanels final : public QStatusBar {
    Q_OBJECT

public:
    explicit StatusPanels(QWidget* parent = nullptr);

    QString panelText(const QString& key) const;
    // Sets the text only when the panel does not already show it.
    void setPanelText(const QString& key, const QString& text);
    QString note() const;
    void showNote(const QString& note);

signals:
    void panelTextChanged(const QString& key, const QString& text);

private:
    QHash<QString, QLabel*> m_panels;
    QLabel* m_note = nullptr;
};
