#pragma once
// TfLanguage: the choice of the language a new certificate is written in,
// from the workstation file's languages. Made at start-up, shown by the list.
#include <QByteArray>
#include <QDialog>
#include <QList>

class QComboBox;
class QLabel;
class QPushButton;
class TMoneyPanel;
struct WorkstationLanguage;

class TfLanguage : public QDialog {
    Q_OBJECT
public:
    explicit TfLanguage(QWidget *parent = nullptr);

    // Fills the list with these languages in their order and selects the
    // first; OK stays disabled when there is none.
    void setLanguages(const QList<WorkstationLanguage> &languages);
    // The two-letter code chosen; empty when none is.
    QByteArray selectedLanguage() const;

    TMoneyPanel *Panel;
    QLabel *LabelNote;
    QComboBox *ComboBoxLang;
    QPushButton *ButtonOk;
    QPushButton *ButtonCancel;
};

// The language window of the run; null before the start-up makes it.
TfLanguage *fLanguage();
void SetLanguageWindow(TfLanguage *window);
