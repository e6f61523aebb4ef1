#pragma once

#include "core/protocol/NotePresenter.h"
#include "core/protocol/TranscriptSink.h"
#include "core/transfer/TransferPrompts.h"

#include <optional>

// What the user sees of the client: the transcript, private notes, and the questions an offered
// file raises. The windows provide it; tests hand in recorders.
struct Frontend {
    TranscriptSink& transcript;
    NotePresenter& notes;
    TransferPrompts& prompts;
};

// Stands in for the frontend, which comes after the network and goes before it. With none
// attached a line goes nowhere, a note counts as closed and an offer as declined, each answer
// coming later as the frontend's would, so that every caller still gets the one it waits for.
class FrontendRelay final : public TranscriptSink, public NotePresenter, public TransferPrompts {
public:
    void attach(const Frontend& frontend) { m_frontend.emplace(frontend); }
    void detach() { m_frontend.reset(); }

    void appendLine(const QString& text, LineLook look, const QString& nick) override;
    void appendBareLine(const QString& text, LineLook look) override;
    void showNote(const QString& caption, const QString& text,
                  std::function<void()> closed) override;
    void askToAccept(const QString& question, std::function<void(bool)> answered) override;
    void chooseDestination(const QString& title, const QString& proposedName,
                           std::function<void(const QString&)> chosen) override;

private:
    std::optional<Frontend> m_frontend;
};
