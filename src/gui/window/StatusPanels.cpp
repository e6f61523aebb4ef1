#include "StatusPanels.h"

#include <QLabel>

StatusPanels::StatusPanels(QWidget* parent)
    : QStatusBar(parent)
{
    setObjectName(QStringLiteral("status"));
    for (const QString& key : {QStringLiteral("ip"), QStringLiteral("users_online")}) {
        auto* panel = new QLabel(this);
        panel->setObjectName(key);
        panel->setContentsMargins(4, 0, 4, 0);
        addWidget(panel, key == QLatin1String("users_online") ? 1 : 0);
        m_panels.insert(key, panel);
    }
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setContentsMargins(4, 0, 4, 0);
    m_note->setTextFormat(Qt::PlainText);
    addPermanentWidget(m_note);
    m_note->hide();
}

QString StatusPanels::note() const
{
    return m_note->text();
}

void StatusPanels::showNote(const QString& note)
{
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

QString StatusPanels::panelText(const QString& key) const
{
    const QLabel* panel = m_panels.value(key);
    return panel ? panel->text() : QString();
}

void StatusPanels::setPanelText(const QString& key, const QString& text)
{
    QLabel* panel = m_panels.value(key);
    if (!panel || panel->text() == text)
        return;
    panel->setText(text);
    emit panelTextChanged(key, text);
}
