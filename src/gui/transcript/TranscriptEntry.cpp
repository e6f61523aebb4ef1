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

RunLook message(int mtype)
{
    switch (mtype) {
    case 1: // status lines of the user's own commands
        return {QColor(128, 128, 128), false, 7};
    case 2: // actions and nick changes
        return {QColor(0, 128, 0), true, 8};
    case 3: // presence
        return {QColor(0, 32, 128), false, 7};
    case 4: // attention, refusals and errors
        return {QColor(128, 32, 0), true, 8};
    default: // chat lines and everything else
        return {QColor(0, 0, 0), false, 8};
    }
}

} // namespace TranscriptLooks
