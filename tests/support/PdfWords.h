#pragma once
// Reads the words of a PDF back with their boxes (pdftotext -bbox, from
// poppler-utils), so printed output is checked as a reader would see it.
#include <QList>
#include <QString>
#include <QStringList>

struct PdfWord {
    int page = 0;
    double left = 0, top = 0, right = 0, bottom = 0; // mm from the paper's top-left corner
    QString text;
};

bool HavePdfToText();
// The words of every page in reading order; pages count from 0.
QList<PdfWord> ReadPdfWords(const QString &pdf);
// The first word with that text (on that page when page >= 0), or nullptr.
const PdfWord *FindPdfWord(const QList<PdfWord> &words, const QString &text, int page = -1);
QStringList PdfWordTexts(const QList<PdfWord> &words);
