#pragma once
// The blank question before a certificate is issued: "Вы приготовили для
// печати бланк" / "№ 0000123?" in large red letters, "Да" or "Нет". Created
// for one question and freed after it.
#include <QDialog>

class QLabel;
class QPushButton;

class TFormDlgPaper : public QDialog {
    Q_OBJECT
public:
    // The dialog centres itself on parent.
    explicit TFormDlgPaper(QWidget *parent = nullptr);

    // The second panel's text: "№" + the blank number + "?".
    void setNumberText(const QString &text);

    QLabel *LabelQuestion = nullptr;
    QLabel *LabelNumber = nullptr;
    QPushButton *ButtonYes = nullptr; // result Prompt::IdYes
    QPushButton *ButtonNo = nullptr;  // result Prompt::IdNo
};

// Shows the question modally for the blank `certNo`; true for "Да".
bool AskBlankInPrinter(QWidget *parent, qint64 certNo);
