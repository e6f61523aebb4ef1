#include "TranscriptExport.h"

#include "core/protocol/WireCodec.h"

#include <QHash>
#include <QIODevice>
#include <QLocale>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

QStringList messageLines(const QString& message)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < message.size(); ++i) {
        const QChar c = message.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(message.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < message.size() && message.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    lines.append(message.mid(start));
    return lines;
}

// Every look a run can have, each once; the rich kinds refer to a look by its place here.
const QList<RunLook>& palette()
{
    static const QList<RunLook> looks = [] {
        QList<RunLook> distinct;
        for (const RunLook& look :
             {TranscriptLooks::stamp(), TranscriptLooks::nick(),
              TranscriptLooks::message(LineLook::Chat), TranscriptLooks::message(LineLook::Status),
              TranscriptLooks::message(LineLook::Action),
              TranscriptLooks::message(LineLook::Presence),
              TranscriptLooks::message(LineLook::Alert)}) {
            if (!distinct.contains(look))
                distinct.append(look);
        }
        return distinct;
    }();
    return looks;
}

// The runs of an entry with their looks; an entry without stamp or nick has only the message.
struct Run {
    QString text;
    RunLook look;
};
QList<Run> runsOf(const TranscriptEntry& entry)
{
    QList<Run> runs;
    if (!entry.stamp.isEmpty())
        runs.append({entry.stamp, TranscriptLooks::stamp()});
    if (!entry.nick.isEmpty())
        runs.append({entry.nick, TranscriptLooks::nick()});
    runs.append({entry.message, TranscriptLooks::message(entry.look)});
    return runs;
}

class PlainTextWriter final : public TranscriptWriter {
public:
    QByteArray header() const override { return {}; }
    QByteArray entry(const TranscriptEntry& entry) const override
    {
        return TranscriptExport::entryLines(entry).join(QLatin1String("\r\n")).toUtf8() + CrLf;
    }
    QByteArray footer() const override { return CrLf; }
};

class HtmlWriter final : public TranscriptWriter {
public:
    QByteArray header() const override
    {
        QString styles;
        for (qsizetype i = 0; i < palette().size(); ++i)
            styles += QStringLiteral(".l%1 { %2 }\r\n").arg(i).arg(css(palette().at(i)));
        return QStringLiteral("<!DOCTYPE html>\r\n<html lang=\"cs\">\r\n<head>\r\n"
                              "<meta charset=\"utf-8\">\r\n<title>Výpis rozhovoru</title>\r\n"
                              "<style>\r\nbody { font-family: Verdana, sans-serif; }\r\n"
                              "span { white-space: pre-wrap; }\r\n%1</style>\r\n</head>\r\n"
                              "<body>\r\n")
            .arg(styles)
            .toUtf8();
    }
    QByteArray entry(const TranscriptEntry& entry) const override
    {
        QString html;
        for (const Run& run : runsOf(entry)) {
            if (run.text.isEmpty())
                continue;
            html += QStringLiteral("<span class=\"l%1\">").arg(palette().indexOf(run.look));
            html += messageLines(run.text.toHtmlEscaped()).join(QLatin1String("<br>"));
            html += QLatin1String("</span>");
        }
        return html.toUtf8() + "<br>" + CrLf;
    }
    QByteArray footer() const override { return "</body>\r\n</html>\r\n"; }

private:
    static QString css(const RunLook& look)
    {
        return QStringLiteral("color: %1; font-weight: %2; font-size: %3pt;")
            .arg(look.color.name(), look.bold ? QLatin1String("bold") : QLatin1String("normal"))
            .arg(look.points);
    }
};

class RtfWriter final : public TranscriptWriter {
public:
    RtfWriter()
    {
        for (const RunLook& look : palette()) {
            if (!m_colors.contains(look.color))
                m_colors.append(look.color);
        }
    }

    QByteArray header() const override
    {
        QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0\\uc1"
                         "{\\fonttbl{\\f0\\fswiss\\fcharset238 Verdana;}}\r\n{\\colortbl ;";
        for (const QColor& color : m_colors)
            rtf += "\\red" + QByteArray::number(color.red()) + "\\green" +
                   QByteArray::number(color.green()) + "\\blue" + QByteArray::number(color.blue()) +
                   ';';
        return rtf + "}\r\n\\pard\\f0\r\n";
    }
    QByteArray entry(const TranscriptEntry& entry) const override
    {
        QByteArray rtf;
        for (const Run& run : runsOf(entry)) {
            rtf += "\\cf" + QByteArray::number(m_colors.indexOf(run.look.color) + 1) +
                   (run.look.bold ? "\\b" : "\\b0") + "\\fs" +
                   QByteArray::number(run.look.points * 2) + ' ';
            const QStringList lines = messageLines(run.text);
            for (qsizetype i = 0; i < lines.size(); ++i)
                rtf += (i > 0 ? "\\par\r\n" : "") + escaped(lines.at(i));
        }
        return rtf + "\\par\r\n";
    }
    QByteArray footer() const override { return "}\r\n"; }

private:
    // Characters that Windows-1250 has above ASCII, with their bytes.
    static const QHash<char16_t, uchar>& codePage()
    {
        static const QHash<char16_t, uchar> table = [] {
            QHash<char16_t, uchar> bytes;
            for (int byte = 0x80; byte <= 0xff; ++byte) {
                const char raw = char(byte);
                const QString decoded = WireCodec::decode(QByteArrayView(&raw, 1));
                if (decoded.size() == 1 && decoded.at(0) != QChar::ReplacementCharacter)
                    bytes.insert(decoded.at(0).unicode(), uchar(byte));
            }
            return bytes;
        }();
        return table;
    }

    static QByteArray escaped(const QString& text)
    {
        QByteArray rtf;
        rtf.reserve(text.size());
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u == '\\' || u == '{' || u == '}')
                rtf.append('\\').append(char(u));
            else if (u == '\t')
                rtf += "\\tab ";
            else if (u < 0x20)
                continue; // other control characters have no place in a document
            else if (u < 0x80)
                rtf += char(u);
            else if (const auto found = codePage().constFind(u); found != codePage().cend())
                rtf += "\\'" + QByteArray::number(*found, 16);
            else // a signed 16-bit number, then what a reader without Unicode shows
                rtf += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
        return rtf;
    }

    QList<QColor> m_colors;
};

} // namespace

TranscriptReader::TranscriptReader(const TranscriptEntries& entries)
    : m_entries(entries)
    , m_first(entries.droppedCount())
    , m_end(m_first + entries.entryCount())
    , m_seen(m_end)
{
}

std::optional<TranscriptEntry> TranscriptReader::at(qsizetype step)
{
    const qsizetype dropped = m_entries.droppedCount();
    const qsizetype written = dropped + m_entries.entryCount();
    // Only a clear makes that number go down; what there was to write is gone then.
    m_cleared = m_cleared || written < m_seen;
    m_seen = qMax(m_seen, written);
    const qsizetype serial = step == 0 ? 0 : m_first + step - 1;
    if (m_cleared || serial < m_next)
        return std::nullopt;
    if (serial < dropped) {
        const qsizetype resume = qMin(dropped, m_end);
        const qsizetype missing = resume - serial;
        m_next = resume;
        return TranscriptExport::missingEntriesNote(missing);
    }
    if (step == 0)
        return std::nullopt;
    m_next = serial + 1;
    return m_entries.entryAt(serial - dropped);
}

namespace TranscriptExport {

TranscriptEntry missingEntriesNote(qsizetype count)
{
    static const QString text =
        QStringLiteral("starší záznamy diskuze, které se nevešly do paměti, nejsou ve výpisu: %1");
    return {{}, {}, text.arg(QLocale(QLocale::Czech).toString(count)), LineLook::Status};
}

std::unique_ptr<TranscriptWriter> writerFor(ExportKind kind)
{
    switch (kind) {
    case ExportKind::Html:
        return std::make_unique<HtmlWriter>();
    case ExportKind::Rtf:
        return std::make_unique<RtfWriter>();
    case ExportKind::PlainText:
        break;
    }
    return std::make_unique<PlainTextWriter>();
}

QStringList entryLines(const TranscriptEntry& entry)
{
    QStringList lines = messageLines(entry.message);
    lines.first().prepend(entry.stamp + entry.nick);
    return lines;
}

bool write(const TranscriptEntries& entries, const TranscriptWriter& writer, QIODevice& device)
{
    const auto put = [&device](const QByteArray& bytes) {
        return device.write(bytes) == bytes.size();
    };
    if (!put(writer.header()))
        return false;
    TranscriptReader reader(entries);
    for (qsizetype step = 0; step < reader.steps(); ++step) {
        if (const std::optional<TranscriptEntry> entry = reader.at(step);
            entry && !put(writer.entry(*entry)))
            return false;
    }
    return put(writer.footer());
}

} // namespace TranscriptExport
