#include "TranscriptFixtures.h"
#include "ui/TranscriptExport.h"

#include <QBuffer>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Reads a page back as a browser would: every line of every run, found with the run's look.
void verifyReadBack(const QString& html, bool withSizes)
{
    QTextDocument document;
    document.setHtml(html);
    QStringList lines;
    for (const TranscriptEntry& entry : sampleEntries()) {
        lines += TranscriptExport::entryLines(entry);
        const std::pair<QString, RunLook> runs[] = {
            {entry.stamp, TranscriptLooks::stamp()},
            {entry.nick, TranscriptLooks::nick()},
            {entry.message, TranscriptLooks::message(entry.mtype)}};
        for (const auto& [text, look] : runs) {
            for (const QString& line :
                 QString(text).split(QRegularExpression("\r\n?|\n"), Qt::SkipEmptyParts)) {
                const QTextCharFormat format = document.find(line).charFormat();
                QVERIFY2(format.foreground().color() == look.color, qPrintable(line));
                QVERIFY2(format.font().bold() == look.bold, qPrintable(line));
                QVERIFY2(!withSizes || format.fontPointSize() == look.points, qPrintable(line));
            }
        }
    }
    const QString text = document.toPlainText().trimmed();
    QCOMPARE(text.split(QRegularExpression(QStringLiteral("[\\n\\x{2028}]"))), lines);
}

QByteArray written(ExportKind kind, const QList<TranscriptEntry>& entries)
{
    EntryList list;
    list.list = entries;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TranscriptExport::write(list, *TranscriptExport::writerFor(kind), buffer);
    return buffer.data();
}

QByteArray throughUnrtf(const QByteArray& rtf)
{
    QTemporaryFile file;
    if (!file.open() || file.write(rtf) != rtf.size() || !file.flush())
        return {};
    QProcess unrtf;
    unrtf.start(QStringLiteral("unrtf"), {QStringLiteral("--html"), file.fileName()});
    return unrtf.waitForFinished() ? unrtf.readAllStandardOutput() : "(unrtf is missing)";
}

} // namespace

class tst_TranscriptExport final : public QObject {
    Q_OBJECT

private slots:
    void plainTextIsUtf8WithCrLfLines_data()
    {
        QTest::addColumn<QList<TranscriptEntry>>("entries");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QList<TranscriptEntry>{} << QByteArray("\r\n");
        QTest::newRow("every kind of break")
            << QList<TranscriptEntry>{{"[01:02:03]", "<Ňu>", "a\rb\nc\r\nd", 10},
                                      {{}, {}, "", 1},
                                      {"[01:02:04]", {}, "č€Ж", 3}}
            << QByteArray("[01:02:03]<\xc5\x87u>a\r\nb\r\nc\r\nd\r\n\r\n"
                          "[01:02:04]\xc4\x8d\xe2\x82\xac\xd0\x96\r\n\r\n");
    }
    void plainTextIsUtf8WithCrLfLines()
    {
        QFETCH(QList<TranscriptEntry>, entries);
        QFETCH(QByteArray, bytes);
        QCOMPARE(written(ExportKind::PlainText, entries), bytes);
    }

    // Read back by a reader that is not ours, the text keeps its colours and weights.
    void richKindsKeepTextAndLooks_data()
    {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QByteArrayList>("marks");
        QTest::newRow("HTML") << ExportKind::Html
                              << QByteArrayList{"<!DOCTYPE html>", "<meta charset=\"utf-8\">"};
        QTest::newRow("RTF") << ExportKind::Rtf
                             << QByteArrayList{"{\\rtf1\\ansi\\ansicpg1250", "Verdana", "\\'f8",
                                               "\\u1046?"};
    }
    void richKindsKeepTextAndLooks()
    {
        QFETCH(ExportKind, kind);
        QFETCH(QByteArrayList, marks);
        const QByteArray file = written(kind, sampleEntries());
        for (const QByteArray& mark : marks)
            QVERIFY2(file.contains(mark), mark);
        const bool html = kind == ExportKind::Html;
        verifyReadBack(QString::fromUtf8(html ? file : throughUnrtf(file)), html);
    }
};

QTEST_MAIN(tst_TranscriptExport)
#include "tst_transcriptexport.moc"
