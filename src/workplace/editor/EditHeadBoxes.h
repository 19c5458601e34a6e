#pragma once
// The certificate head as the editor shows it: which box holds which insert
// parameter of the head and in which form, and the moves between the
// parameters and the boxes' texts in both directions.
#include <QList>
#include <QMap>
#include <QString>
#include <cstdint>

class SqlParams;

// How a box's text is kept in its parameter.
enum class BoxStore {
    WideBlob, // UTF-16LE bytes without terminator
    Utf8Text  // 8-bit text holding UTF-8
};
// How a box cleans what is typed into it.
enum class BoxLines { Memo, OneLine };

struct HeadTextBox {
    QString control;   // the control's object name
    QString parameter; // the insert parameter (the mcod column)
    BoxStore store;
    BoxLines lines;
};

// Every text box of boxes 1 to 6, 11 to 13, in form order. The act number of
// box 14 is not among them: it is kept only while an act is present.
const QList<HeadTextBox> &HeadTextBoxes();
// The memo of box 14 that holds the act number.
const HeadTextBox &ActNumberBox();
// The box of a control, or null.
const HeadTextBox *FindHeadTextBox(const QString &control);

// What the editor's head boxes show: the number block, the texts by parameter
// name (stored form, CR LF line breaks), the two dates and box 14.
struct EditorHead {
    QString yearDigit;   // EditG
    QString chamber;     // EditDov
    QString blankNumber; // dbeRefNumNum
    QString certNo;      // EditCertNo
    QString language;    // StaticTextLang
    QMap<QString, QString> texts;
    int64_t date11 = 0;
    int64_t date12 = 0;
    bool actAbsent = false; // "Акт отсутствует"
    QString actNumber;
    QString actDateText; // "DD.MM.YYYY" or empty
};

// The boxes of the certificate held in the parameters, as the editor shows it.
EditorHead HeadFromParams(const SqlParams &params, int32_t chamberNumber);

// The reference number the number block makes: year digit, chamber (3) and
// blank number (6), each left-padded with "0" (a longer text keeps its end).
QString ReferenceNoOf(const EditorHead &head);

// Writes the boxes back into the parameters, as a save does: the numbers as
// integers, the reference number, each text without control characters in its
// representation, the dates and box 14. Raises AppError when a number box
// does not hold a number.
void HeadToParams(const EditorHead &head, SqlParams &params);

// Box 14 alone: no act gives a null number and date 0; else the number
// without control characters and the date read strictly ("DD.MM.YYYY"),
// 0 when it is no date.
void ActToParams(const EditorHead &head, SqlParams &params);
