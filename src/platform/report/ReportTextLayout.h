#pragma once
// Internal to the report engine: the one way text is broken into lines, used
// alike to measure memos, to stretch bands and to paint pages.
#include "ReportEngine.h"

#include <QTextLayout>

namespace ReportText {
// Text is laid out in units of 1/720 inch (a tenth of a point), with fonts
// sized in those units, so the result does not depend on any device.
constexpr double kLayoutUnitsPerMm = 720.0 / 25.4;

// Lays Text out into Layout within InnerWidthMm and returns the text's height
// in millimetres. Line breaks (CR LF, CR or LF) start new lines.
double LayOut(QTextLayout &layout, const QString &text, const ReportFontSpec &font, double sizePt,
              ReportHAlign hAlign, bool wordWrap, double innerWidthMm);
}
