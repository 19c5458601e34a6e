#pragma once
// Building blocks shared by the dialogs of the library: text conversion at
// the C boundary and a modal form of labelled fields with two buttons.
#include <QDate>
#include <QDialog>
#include <QString>
#include <cstdint>

class QFormLayout;
class QLineEdit;
class QVBoxLayout;

namespace obdialogs {

// A zero-terminated UTF-16 text; null reads as empty.
QString TextIn(const char16_t *text);
// True for a usable in/out buffer.
bool IsBuffer(const char16_t *buffer, int32_t capacity);
// Writes text zero-terminated into the buffer (the dialog never lets it grow
// past capacity - 1 units).
void WriteText(char16_t *buffer, int32_t capacity, const QString &text);
// True when the process runs a QApplication the dialogs can live in.
bool HasWidgetApplication();


// A modal dialog: caption, an optional prompt line, rows of labelled fields,
// then a confirm and a cancel button (object names "buttonOk", "buttonCancel").
class AnswerDialog {
public:
    AnswerDialog(const QString &caption, const QString &prompt);
    ~AnswerDialog();

    void addRow(const QString &label, QWidget *field);
    // A one-line text field that takes at most capacity - 1 units; a
    // non-empty passwordChar masks the input with that character.
    QLineEdit *addTextRow(const QString &label, const QString &objectName, const QString &initial,
                          int32_t capacity, const QString &passwordChar = QString());
    // Adds the buttons and shows the dialog modally; true when confirmed.
    bool run(const QString &okText, const QString &cancelText);

    QDialog &dialog() { return m_dialog; }

private:
    QDialog m_dialog;
    QVBoxLayout *m_layout;
    QFormLayout *m_fields;
};

// Limits an editor to capacity - 1 units and applies the password character.
void PrepareTextField(QLineEdit *edit, int32_t capacity, const QString &passwordChar);

} // namespace obdialogs
