#pragma once
// The operator's words for the system's error numbers (errno): Russian for
// the causes an office meets (a full or read-only disk, a missing file or
// folder, no access, a busy file...), the C library's text for the rest.
#include <QString>

// The text of errno value Err, a sentence ending with "."; the C library's
// text when there are no Russian words for it; empty for a number the C
// library does not know.
QString ErrnoText(int err);

// Text as the system gave it without its number (Qt's file error texts are
// the C library's text of the errno): the Russian words when it is the text
// of a value with Russian words, else Text unchanged.
QString RussianSystemText(const QString &text);
