#pragma once

#include <QHash>
#include <QStatusBar>

class QLabel;

// The status bar with its panels, addressed by key: "ip" and "users_online".
class StatusPanels final : public QStatusBar {
    Q_OBJECT

public:
    explicit StatusPanels(QWidget* parent = nullptr);

    QString panelText(const QString& key) const;
    // Sets the text only when the panel does not already show it.
    void setPanelText(const QString& key, const QString& text);

signals:
    void panelTextChanged(const QString& key, const QString& text);

private:
    QHash<QString, QLabel*> m_panels;
};
