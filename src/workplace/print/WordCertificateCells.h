#pragma once
// Writes a certificate's texts into cells of a Word table: the head fields
// and boxes 11 and 12 at the cells a template names, and a goods line across
// a row, each with the size its field stores. Shared by the Word print-out
// and the Word export of the listed certificates.
#include "CommonReportTessal.h"

#include <span>

class DocxDocument;
class TDM;

struct WordCell {
    int row, column;
    int object; // the report object number of the text
    int field;  // whose font size applies; 0: the template's own
};

class WordCertificateCells {
public:
    // Reads the sizes of the list query's current certificate.
    explicit WordCertificateCells(TDM &dm);

    void fill(DocxDocument &doc, int table, std::span<const WordCell> cells);
    // The goods query's current line into cells (Row, 1) to (Row, 4).
    void fillGoodsLine(DocxDocument &doc, int table, int row);

private:
    TReportFunctions m_texts;
    double m_sizes[13] = {};
};

// The size a stored font size gives: the head fields 1 to 10 as stored,
// anything else 10; the goods columns 1 to 10 as stored, anything else 9.
int WordHeadFontSize(double stored);
int WordGoodsFontSize(double stored);
