#pragma once

#include <QLineEdit>

#include <functional>

class Station;
class TranscriptSink;

// The one-line box under the transcript. Enter sends the line to everybody;
// the own line shows when its broadcast comes back, like everybody else's.
class Composer final : public QLineEdit {
    Q_OBJECT

public:
    using AboutBlock = std::function<QString()>;

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

    Station& m_station;
    TranscriptSink& m_transcript;
    AboutBlock m_about;
    bool m_lossy = false;
};
