#pragma once

#include "platform/richtext.h"

#include <QStringView>

// What Enter colours on the line it is about to end, in document offsets.
struct EnterColouring
{
    // Fcolor: from the line start up to the first semicolon before the caret, or up to the
    // caret when there is none.
    TextRange code;
    // Remcolor: from that semicolon up to the caret; length 0 when no semicolon lies before it.
    TextRange comment;
};

// The Enter-key colouring of the caret's line. `text` is a stretch of the document that begins
// at offset `textStart`, at the start of the caret's line or earlier, and runs at least to the
// caret: the caret's block, or the whole text from 0. Only the caret's line is read.
EnterColouring enterColouring(QStringView text, int textStart, int caret);
