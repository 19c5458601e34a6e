#include "qlTntDBCtrls.h"

#include "DataSet.h"
#include "ggError.h"
#include "LineBreaks.h"
#include "qlReportFailure.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextDocument>

#include <climits>

namespace {

bool IsReturnKey(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// The printable characters a key press types; empty for control keys and shortcuts.
QString TypedText(const QKeyEvent *event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return QString();
    const QString text = event->text();
    for (const QChar c : text)
        if (c.unicode() < 32 || c.unicode() == 127)
            return QString();
    return text;
}

bool IsAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The characters a field takes from the keyboard: numbers only digits and signs.
bool FieldAcceptsChar(const Field &field, QChar c)
{
    const bool sign = c == QLatin1Char('+') || c == QLatin1Char('-');
    switch (field.type()) {
    case FieldType::Integer:
    case FieldType::AutoInc:
        return IsAsciiDigit(c) || sign;
    case FieldType::Float:
        return IsAsciiDigit(c) || sign || c == QLatin1Char('.') || c == QLatin1Char('e') || c == QLatin1Char('E');
    default:
        return true;
    }
}

QString LineBreaksToLf(QString text)
{
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace

TqlTntDBMemo::TqlTntDBMemo(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_settingText && m_loaded)
            m_modified = true;
    });
}

TqlTntDBMemo::~TqlTntDBMemo() = default;

void TqlTntDBMemo::bindDataSet(DataSet *dataSet)
{
    if (m_dataSet)
        disconnect(m_dataSet, nullptr, this, nullptr);
    m_dataSet = dataSet;
    if (!dataSet)
        return;
    connect(dataSet, &DataSet::afterScroll, this, &TqlTntDBMemo::resetLink);
    connect(dataSet, &DataSet::dataSetChanged, this, &TqlTntDBMemo::resetLink);
    connect(dataSet, &DataSet::recordChanged, this, [this](int row) {
        if (m_dataSet && row == m_dataSet->currentRow())
            resetLink();
    });
    connect(dataSet, &DataSet::stateChanged, this, &TqlTntDBMemo::editingChange);
    // A post writes the pending text first; a failure makes the post fail.
    connect(dataSet, &DataSet::updateRecord, this, &TqlTntDBMemo::updateRecord);
}

void TqlTntDBMemo::setDataSource(DataSet *dataSet)
{
    if (dataSet == m_dataSet)
        return;
    bindDataSet(dataSet);
    resetLink();
}

void TqlTntDBMemo::setDataField(const QString &fieldName)
{
    if (fieldName == m_dataField)
        return;
    m_dataField = fieldName;
    resetLink();
}

Field *TqlTntDBMemo::field() const
{
    if (!m_dataSet || !m_dataSet->isActive() || m_dataField.isEmpty())
        return nullptr;
    return m_dataSet->findField(m_dataField);
}

void TqlTntDBMemo::setTypeBlob(TqlTntTypeBlob typeBlob)
{
    if (typeBlob == m_typeBlob)
        return;
    m_typeBlob = typeBlob;
    resetLink();
}

void TqlTntDBMemo::setAutoDisplay(bool on)
{
    if (on == m_autoDisplay)
        return;
    m_autoDisplay = on;
    if (on)
        loadMemo();
}

void TqlTntDBMemo::setDataReadOnly(bool on)
{
    m_dataReadOnly = on;
    editingChange();
}

bool TqlTntDBMemo::isBlobLike(const Field &field) const
{
    return field.type() == FieldType::Blob || field.type() == FieldType::Memo ||
           (field.type() == FieldType::WideString && field.size() == INT_MAX);
}

bool TqlTntDBMemo::linkCanModify() const
{
    return !m_dataReadOnly && field() && m_dataSet->canModify();
}

bool TqlTntDBMemo::linkEditing() const
{
    return linkCanModify() && m_dataSet->isEditing();
}

int TqlTntDBMemo::maxLength() const
{
    const Field *f = field();
    return f && !isBlobLike(*f) && f->size() > 0 ? f->size() : 0;
}

QString TqlTntDBMemo::widgetText() const
{
    return LineBreaksToLf(document()->toRawText());
}

QString TqlTntDBMemo::text() const
{
    return WidgetToStoredText(widgetText());
}

void TqlTntDBMemo::showStoredText(const QString &stored)
{
    m_settingText = true;
    setPlainText(StoredToWidgetText(stored));
    m_settingText = false;
}

void TqlTntDBMemo::loadMemo()
{
    const Field *f = field();
    if (!m_loaded && f && isBlobLike(*f)) {
        try {
            showStoredText(FieldToWideTyped(*f, m_typeBlob));
            m_loaded = true;
        } catch (const AppError &e) {
            showStoredText("(" + e.message() + ")");
        }
        editingChange();
    }
}

QString TqlTntDBMemo::copyText() const
{
    const Field *f = field();
    if (!f)
        return QString();
    if (!isBlobLike(*f))
        return FieldDisplayTextWide(*f);
    if (!m_autoDisplay)
        return "(" + f->name() + ")";
    return WidgetToStoredText(StoredToWidgetText(FieldToWideTyped(*f, m_typeBlob)));
}

void TqlTntDBMemo::dataChange()
{
    const Field *f = field();
    if (!f) {
        showStoredText(QString());
        m_loaded = false;
    } else if (isBlobLike(*f)) {
        if (m_autoDisplay || (linkEditing() && m_loaded)) {
            m_loaded = false;
            loadMemo();
        } else {
            showStoredText("(" + f->name() + ")");
            m_loaded = false;
        }
    } else {
        showStoredText(m_focused && linkCanModify() ? FieldEditTextWide(*f) : FieldDisplayTextWide(*f));
        m_loaded = true;
    }
    editingChange();
}

void TqlTntDBMemo::resetLink()
{
    dataChange();
    m_modified = false;
}

void TqlTntDBMemo::editingChange()
{
    setReadOnly(!(linkEditing() && m_loaded));
}

bool TqlTntDBMemo::startEditing()
{
    if (!linkCanModify())
        return false;
    if (!m_dataSet->isEditing()) {
        try {
            m_dataSet->edit();
        } catch (const std::exception &e) {
            ReportControlFailure(e);
            return false;
        }
    }
    editingChange();
    return linkEditing();
}

void TqlTntDBMemo::updateRecord()
{
    if (!m_modified)
        return;
    Field *f = field();
    if (!f)
        return;
    WideToFieldTyped(*f, text(), m_typeBlob);
    m_modified = false;
}

void TqlTntDBMemo::setFocused(bool focused)
{
    if (focused == m_focused)
        return;
    m_focused = focused;
    const Field *f = field();
    if (!f || !isBlobLike(*f))
        resetLink();
}

int TqlTntDBMemo::roomFor(int storedLength) const
{
    const int limit = maxLength();
    if (limit <= 0)
        return storedLength;
    const QString selected = LineBreaksToLf(textCursor().selectedText());
    const int used = StoredLength(widgetText()) - StoredLength(selected);
    return std::clamp(limit - used, 0, storedLength);
}

void TqlTntDBMemo::keyPressEvent(QKeyEvent *event)
{
    const QString typed = TypedText(event);
    const bool isReturn = IsReturnKey(event);
    const bool isTab = event->key() == Qt::Key_Tab && wantTabs() && event->modifiers() == Qt::NoModifier;
    const bool changesText = !typed.isEmpty() || isReturn || isTab || event->key() == Qt::Key_Backspace ||
                             event->key() == Qt::Key_Delete ||
                             (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier) ||
                             event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
                             event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo);
    if (!m_loaded) {
        // Until loaded the memo only shows where its text is: Enter loads it.
        if (isReturn)
            loadMemo();
        if (changesText) {
            event->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        resetLink();
        event->accept();
        return;
    }
    if (isReturn && !m_wantReturns && !(event->modifiers() & Qt::ControlModifier)) {
        event->ignore(); // left to the dialog's default button
        return;
    }
    if (changesText) {
        const Field *f = field();
        for (const QChar c : typed) {
            if (f && !FieldAcceptsChar(*f, c)) {
                QApplication::beep();
                event->accept();
                return;
            }
        }
        if (!startEditing()) {
            event->accept();
            return;
        }
        const int grows = isReturn ? 2 : isTab ? 1 : int(typed.size());
        if (grows > 0 && roomFor(grows) < grows) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TqlTntDBMemo::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText())
        return;
    QString insert = StoredToWidgetText(source->text());
    const int room = roomFor(StoredLength(insert));
    if (room < StoredLength(insert)) {
        QApplication::beep();
        int kept = 0;
        int length = 0;
        while (kept < insert.size() && length + StoredLength(insert.mid(kept, 1)) <= room)
            length += StoredLength(insert.mid(kept++, 1));
        insert.truncate(kept);
    }
    textCursor().insertText(insert);
    ensureCursorVisible();
}

void TqlTntDBMemo::focusInEvent(QFocusEvent *event)
{
    setFocused(true);
    QPlainTextEdit::focusInEvent(event);
}

void TqlTntDBMemo::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    try {
        updateRecord();
    } catch (const std::exception &e) {
        // The text stays for the operator to put right.
        setFocus(Qt::OtherFocusReason);
        ReportControlFailure(e);
        return;
    }
    setFocused(false);
}

void TqlTntDBMemo::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_loaded) {
        loadMemo();
        event->accept();
        return;
    }
    QPlainTextEdit::mouseDoubleClickEvent(event);
}
