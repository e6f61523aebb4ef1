#include "TranscriptEntry.h"

#include <QRegularExpression>

QStringList TranscriptEntry::lines() const
{
    // The breaks the pane makes a new line of: CR LF, a lone CR or LF, a paragraph or frame mark.
    static const QRegularExpression lineBreak(
        QStringLiteral("\\r\\n|[\\r\\n\\x{2029}\\x{fdd0}\\x{fdd1}]"));
    return (stamp + nick + message).split(lineBreak);
}

namespace TranscriptLooks {

RunLook stamp()
{
    return {QColor(0, 0, 255), true, 7};
}

RunLook nick()
{
    return {QColor(0, 0, 0), true, 8};
}

RunLook message(LineLook look)
{
    switch (look) {
    case LineLook::Status:
        return {QColor(128, 128, 128), false, 7};
    case LineLook::Action:
        return {QColor(0, 128, 0), true, 8};
    case LineLook::Presence:
        return {QColor(0, 32, 128), false, 7};
    case LineLook::Alert:
        return {QColor(128, 32, 0), true, 8};
    case LineLook::Chat:
        break;
    }
    return {QColor(0, 0, 0), false, 8};
}

} // namespace TranscriptLooks
