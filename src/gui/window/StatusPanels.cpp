#include "StatusPanels.h"

#include <QLabel>

StatusPanels::StatusPanels(QWidget* parent)
    : QStatusBar(parent)
{
    setObjectName(QStringLiteral("statusPanels"));
    const std::pair<Panel, const char*> panels[] = {{Panel::OwnAddress, "ownAddressPanel"},
                                                    {Panel::UsersOnline, "usersOnlinePanel"}};
    for (const auto& [panel, name] : panels) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setContentsMargins(4, 0, 4, 0);
        // The count takes the room the address leaves.
        addWidget(label, panel == Panel::UsersOnline ? 1 : 0);
        m_panels[std::size_t(panel)] = label;
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

QString StatusPanels::panelText(Panel panel) const
{
    return m_panels[std::size_t(panel)]->text();
}

void StatusPanels::setPanelText(Panel panel, const QString& text)
{
    QLabel* label = m_panels[std::size_t(panel)];
    if (label->text() == text)
        return;
    label->setText(text);
    emit panelTextChanged(panel, text);
}

QString StatusPanels::panelToolTip(Panel panel) const
{
    return m_panels[std::size_t(panel)]->toolTip();
}

void StatusPanels::setPanelToolTip(Panel panel, const QString& tip)
{
    m_panels[std::size_t(panel)]->setToolTip(tip);
}
