#pragma once

#include "ui/TranscriptEntry.h"

#include <QList>

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
