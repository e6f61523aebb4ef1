#include "FrontendRelay.h"

#include <QTimer>

void FrontendRelay::appendLine(const QString& text, LineLook look, const QString& nick)
{
    if (m_frontend)
        m_frontend->transcript.appendLine(text, look, nick);
}

void FrontendRelay::appendBareLine(const QString& text, LineLook look)
{
    if (m_frontend)
        m_frontend->transcript.appendBareLine(text, look);
}

void FrontendRelay::showNote(const QString& caption, const QString& text,
                             std::function<void()> closed)
{
    if (m_frontend)
        m_frontend->notes.showNote(caption, text, std::move(closed));
    else
        QTimer::singleShot(0, std::move(closed));
}

void FrontendRelay::askToAccept(const QString& question, std::function<void(bool)> answered)
{
    if (m_frontend)
        m_frontend->prompts.askToAccept(question, std::move(answered));
    else
        QTimer::singleShot(0, [answered = std::move(answered)] { answered(false); });
}

void FrontendRelay::chooseDestination(const QString& title, const QString& proposedName,
                                      std::function<void(const QString&)> chosen)
{
    if (m_frontend)
        m_frontend->prompts.chooseDestination(title, proposedName, std::move(chosen));
    else
        QTimer::singleShot(0, [chosen = std::move(chosen)] { chosen({}); });
}
