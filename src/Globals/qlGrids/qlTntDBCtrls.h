#pragma once
// The data-aware memo for wide text: shows one field of a dataset's current row
// and writes the edited text back into it.
//
// A blob-like field (blob or memo, or a wide-string field of the largest size)
// is read and written as TypeBlob says: edsWideString keeps the text as raw
// UTF-16LE in a blob field. With AutoDisplay off such a field shows "(name)"
// until the memo is loaded by Enter or a double click. Any other field shows its
// display text, or its edit text while the memo has the focus.
//
// The memo is read-only unless its dataset is editing and the memo is loaded;
// the editing keys (characters, Return, Backspace, Delete, Tab when wanted, cut,
// paste, undo) first put the dataset into edit state, as far as the memo's own
// ReadOnly and the dataset allow. Escape shows the field's value again. Losing
// the focus, and every post of the dataset, writes a changed text back.
//
// Stored texts break lines with CR LF, the widget with LF; text() gives the
// stored form.
#include "qlTntDB.h"

#include <QPlainTextEdit>
#include <QPointer>

class DataSet;
class Field;

class TqlTntDBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TqlTntDBMemo(QWidget *parent = nullptr);
    ~TqlTntDBMemo() override;

    // The data link: the dataset and the name of the field shown.
    DataSet *dataSource() const { return m_dataSet; }
    void setDataSource(DataSet *dataSet);
    const QString &dataField() const { return m_dataField; }
    void setDataField(const QString &fieldName);
    // The field of the data link at this moment; none without dataset or such a field.
    Field *field() const;

    TqlTntTypeBlob typeBlob() const { return m_typeBlob; }
    void setTypeBlob(TqlTntTypeBlob typeBlob);
    bool autoDisplay() const { return m_autoDisplay; }
    void setAutoDisplay(bool on);
    // The memo's own ReadOnly: when set it never starts editing its field.
    bool isDataReadOnly() const { return m_dataReadOnly; }
    void setDataReadOnly(bool on);
    bool wantReturns() const { return m_wantReturns; }
    void setWantReturns(bool on) { m_wantReturns = on; }
    bool wantTabs() const { return !tabChangesFocus(); }
    void setWantTabs(bool on) { setTabChangesFocus(!on); }
    bool wordWrap() const { return lineWrapMode() != NoWrap; }
    void setWordWrap(bool on) { setLineWrapMode(on ? WidgetWidth : NoWrap); }

    bool isLoaded() const { return m_loaded; }
    // The text was changed by the user and not yet written to the field.
    bool isModified() const { return m_modified; }
    // The most characters the field takes (its size, CR LF counting two); 0 for no limit.
    int maxLength() const;
    // The memo's text in stored form (CR LF line breaks).
    QString text() const;

    // Puts the field's text into a memo that is not loaded yet.
    virtual void loadMemo();
    // What a copy of the memo shows for the dataset's current row (a panel grid
    // paints its other rows so): a blob-like field its text with CR LF line
    // breaks, or "(name)" without AutoDisplay; another field its display text.
    QString copyText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    bool isBlobLike(const Field &field) const;
    bool linkCanModify() const;
    bool linkEditing() const;
    bool startEditing(); // the data link's Edit: true when the field may now be changed
    void dataChange();
    void editingChange();
    void resetLink();
    void updateRecord(); // writes a changed text into the field
    void setFocused(bool focused);
    void showStoredText(const QString &stored);
    QString widgetText() const;
    int roomFor(int storedLength) const; // how much of an insertion fits the limit
    void bindDataSet(DataSet *dataSet);

    QPointer<DataSet> m_dataSet;
    QString m_dataField;
    TqlTntTypeBlob m_typeBlob = TqlTntTypeBlob::edsString;
    bool m_autoDisplay = true;
    bool m_dataReadOnly = false;
    bool m_wantReturns = true;
    bool m_loaded = false;
    bool m_modified = false;
    bool m_focused = false;
    bool m_settingText = false;
};
