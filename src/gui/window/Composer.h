#pragma once

#include <QLineEdit>
#include <QStringList>

#include <functional>

class Station;
class TranscriptSink;

// The one-line box under the transcript. Enter sends the line to everybody;
// the own line shows when its broadcast comes back, like everybody else's. Up and Down step
// through the lines sent in this run, and back to the line being typed.
class Composer final : public QLineEdit {
    Q_OBJECT

public:
    using AboutBlock = std::function<QString()>;
    // Lines Up and Down can bring back, the newest kept.
    static constexpr qsizetype RecalledLines = 100;

    Composer(Station& station, TranscriptSink& transcript, AboutBlock about,
             QWidget* parent = nullptr);

    // Keeps every line short enough for one packet with the nick now in use.
    void updateMaxLength();
    // Said while the line holds a character the wire cannot carry; empty otherwise.
    QString wireNote() const;

signals:
    void clicked();
    void wireNoteChanged(const QString& note);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void send();
    void onTextChanged(const QString& line);
    void remember(const QString& line);
    void recall(qsizetype step);

    Station& m_station;
    TranscriptSink& m_transcript;
    AboutBlock m_about;
    bool m_lossy = false;
    QStringList m_sent; // oldest first
    qsizetype m_recalled = 0; // the line shown from m_sent; its size stands for the draft
    QString m_draft; // what was typed before going up
};
