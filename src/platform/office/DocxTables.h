#pragma once
// Stands for Word's table access on a .docx document: the tables of the main
// text (word/document.xml, WordprocessingML) read straight from the archive
// in memory. Nothing outside the archive is read: no relationship, linked
// file or external entity is followed.
#include "DocxPart.h"
#include "OfficeTables.h"

#include <QByteArray>

// Tables nested in cells, and containers of runs, deeper than this are refused.
constexpr int MaxDocxNesting = 64;

// The tables of the document's body. Text comes from the runs (w:t), with
// w:tab as a tab and w:br and w:cr as CR LF; deleted text, field codes,
// drawings and text boxes are left out. Raises AppError when the bytes are
// no zip archive, the archive passes its limits, word/document.xml is
// missing or no WordprocessingML document, or the nesting is too deep.
OfficeTables ReadDocxTables(const QByteArray &docx);
