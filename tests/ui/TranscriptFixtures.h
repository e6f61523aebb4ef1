#pragma once

#include "ui/TranscriptEntry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>

// A transcript that is only a list of entries.
struct EntryList final : TranscriptEntries {
    qsizetype entryCount() const override { return list.size(); }
    TranscriptEntry entryAt(qsizetype index) const override { return list.at(index); }
    QList<TranscriptEntry> list;
};

// Entries of every look, with text that a file format could get wrong.
inline QList<TranscriptEntry> sampleEntries()
{
    return {{"[14:03:27]", "<Petr>", "ahoj {světe} \\ <b>&amp;</b>", 10},
            {"[14:03:28]", {}, "uživatel Žofie vstoupil do diskuze", 3},
            {{}, {}, "Petr mává € a Ж", 2},
            {"[14:03:29]", "<Ňu>", "řádek 1\rřádek 2\nřádek 3\r\nřádek 4", 4},
            {{}, {}, "obsah diskuze byl vytištěn", 1}};
}

// The one visible dialog of a kind, as the user would find it on the screen.
template<typename Dialog> Dialog* shownDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<Dialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// Answers the open message box as the user would; gives what it said as "title|text".
inline QString answerBox(QMessageBox::StandardButton button)
{
    auto* box = shownDialog<QMessageBox>();
    if (!box)
        return QStringLiteral("(no box)");
    const QString shown = box->windowTitle() + QLatin1Char('|') + box->text();
    box->button(button)->click();
    return shown;
}
