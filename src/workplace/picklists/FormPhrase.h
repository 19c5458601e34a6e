#pragma once
// The phrase pick list: single phrases of one kind (transport, official notes,
// goods, packages, units, countries ...) of the certificate's language. The
// caller sets Lang and SType, shows the window modally and, when the result
// is Accepted, reads SelectedName; or it calls Choose.
#include "PickListForm.h"

class QPlainTextEdit;

// The name of a phrase kind, the window's caption and column title: "Транспорт"
// for 3 ... "Страны" for 20, "none ?" for a kind without a name.
QString PhraseKindName(uint8_t stype);

class TfPhrase : public PickListForm {
    Q_OBJECT
public:
    // Over the data module of the run (DM()); raises AppError when there is none.
    explicit TfPhrase(QWidget *owner);
    TfPhrase(QWidget *owner, TDM &dm);

    // The chosen phrase; empty until a choice is made.
    QString SelectedName;

    QPlainTextEdit *EditAdd = nullptr;

    // Shows the list for the language and kind; true and the chosen phrase
    // when the operator chose one.
    static bool Choose(QWidget *owner, const QByteArray &lang, uint8_t stype, QString &chosen);

protected:
    void setTitles() override;
    void addEntry() override;
    void showInAddPanel(const QStringList &names) override;
    void setResults(const QStringList &names) override;
};
