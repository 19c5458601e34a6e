#pragma once
// The party pick list "Контрагенты": pairs of sender and exporter, or of
// recipient and importer, of the certificate's language. The caller sets Lang
// and SType, shows the window modally and, when the result is Accepted, reads
// SelectedNameT and SelectedNameB; or it calls Choose.
#include "PickListForm.h"

class QPlainTextEdit;

class TfContragent : public PickListForm {
    Q_OBJECT
public:
    // Over the data module of the run (DM()); raises AppError when there is none.
    explicit TfContragent(QWidget *owner);
    TfContragent(QWidget *owner, TDM &dm);

    // The chosen pair (nameT, nameB); empty until a choice is made.
    QString SelectedNameT;
    QString SelectedNameB;

    QPlainTextEdit *MemoT = nullptr;
    QPlainTextEdit *MemoB = nullptr;

    // Shows the list for the language and kind (ContragentKind); true and the
    // chosen pair when the operator chose one.
    static bool Choose(QWidget *owner, const QByteArray &lang, uint8_t stype, QString &nameT, QString &nameB);

protected:
    void setTitles() override;
    void addEntry() override;
    void showInAddPanel(const QStringList &names) override;
    void setResults(const QStringList &names) override;
};
