#pragma once
// Stands for Word's table access on an .rtf document: a small tokenizer of
// our own reads the rows (\trowd ... \cell ... \row) of the document's
// tables. Text is read from plain characters, \'xx bytes in the code page of
// the current font (\fcharset, \cpg) or of the document (\ansicpg), and \uN
// characters with their \ucN fallback skipped. Windows-1251 is read by its
// fixed table; other code pages are read as Latin-1.
#include "OfficeTables.h"

#include <QByteArray>

// Groups nested deeper than this are refused.
constexpr int MaxRtfGroupDepth = 1024;

// The tables of the document, rows ending at \row; a paragraph outside a
// table (\par without \intbl) ends the table before it. \par and \line inside
// a cell become CR LF and \tab a tab; tables nested in a cell add their text
// to that cell. A cell merged into the one before it (\clmrg) is not counted;
// a cell that continues a vertical merge (\clvmrg) is empty. Destinations that
// are not body text (font and style tables, pictures, headers, footnotes,
// field instructions, \* groups) are skipped.
// Raises AppError when the text does not start with "{\rtf", when a group is
// left open or one is closed that was never opened (anything but blanks after
// the document's group), or when groups nest too deep.
OfficeTables ReadRtfTables(const QByteArray &rtf);
