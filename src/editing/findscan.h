#pragma once

#include <QString>
#include <QStringView>

// What the find dialog remembers for the whole run; closing the dialog keeps it.
struct FindState
{
    QString Lastfind;  // search text of the last successful search
    int Findcount = 0; // clicks on find next so far
    int Findpos = 0;   // 1-based position in Findarea tried last
};

// The dialog's choices for one click.
struct FindRequest
{
    QString text;          // Combo1's text
    bool matchCase = true; // OptionY
    bool downward = true;  // Option2
};

enum class FindOutcome {
    NothingToFind, // empty search text: nothing changes, not even the click count
    Found,
    ReachedEnd,   // downward, no further hit
    ReachedStart, // upward, no further hit
};

struct FindStep
{
    FindState state;
    FindOutcome outcome = FindOutcome::NothingToFind;
    // The selection to set in the active document, except after NothingToFind. When nothing
    // was found the start stays where it was and only the length becomes the text's length.
    int selStart = 0;
    int selLength = 0;
};

// One click on find next over Findarea, the document text copied when Find was chosen, from
// the active document's selection start. The first click of the run scans from the top
// (downward) or the bottom (upward); later ones continue from the selection: downward from the
// character after its start, upward from the characters before it. No wrap-around.
FindStep findNext(const FindState &state, QStringView Findarea, const FindRequest &request,
                  int selStart);
