#include "TransferText.h"

namespace TransferText {

namespace {

constexpr double BytesPerMegabyte = 1048576.0;
// Longer names are cut before they are proposed; every file system takes this many.
constexpr qsizetype MaxSaveNameLength = 120;

// At most two decimals, rounded, without trailing zeros or a lone separator.
QString number(double value, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = plain.toString(value, 'f', 2);
    const QString separator = plain.decimalPoint();
    if (text.contains(separator)) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(separator))
            text.chop(separator.size());
    }
    return text;
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char(':') || c == QLatin1Char('\\') || c == QLatin1Char('/');
}

} // namespace

QString megabytes(qint64 bytes, const QLocale& locale)
{
    return number(double(bytes) / BytesPerMegabyte, locale) + QStringLiteral(" MB");
}

QString percent(double ratio, const QLocale& locale)
{
    return number(qRound(qBound(0.0, ratio, 1.0) * 100.0), locale) + QStringLiteral(" %");
}

QString amountOf(qint64 done, qint64 total, const QLocale& locale)
{
    return megabytes(done, locale) + QStringLiteral(" z ") + megabytes(total, locale);
}

QString fileNameFromPath(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isSeparator(path[i]))
            return path.mid(i + 1);
    }
    return path;
}

QString proposedSaveName(const QString& offeredName)
{
    QString name;
    for (const QChar c : fileNameFromPath(offeredName)) {
        if (!isSeparator(c) && c.category() != QChar::Other_Control)
            name.append(c);
    }
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    name = name.left(MaxSaveNameLength);
    return name.trimmed().isEmpty() ? QStringLiteral("soubor") : name;
}

QString offerQuestion(const QString& nick, const QString& fileName, qint64 size)
{
    return QStringLiteral("uživatel ") + nick + QStringLiteral(" vám zasílá soubor: \n") +
           fileName + QStringLiteral("\nvelikost: ") + megabytes(size) +
           QStringLiteral("\n\nChcete soubor přijmout?");
}

} // namespace TransferText
