#include "NumberMaskEdit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

namespace {
bool IsPlace(QChar c, QChar blank)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == blank;
}
} // namespace

NumberMaskEdit::NumberMaskEdit(int width, QWidget *parent, QChar blank)
    : QLineEdit(parent), m_width(width), m_blank(blank)
{
    setMaxLength(width);
    QLineEdit::setText(QString(width, blank));
    // Whatever reaches the text by a way the keys below do not cover (the
    // context menu's paste, drag and drop, input methods) is brought to shape.
    connect(this, &QLineEdit::textChanged, this, &NumberMaskEdit::reshape);
}

QString NumberMaskEdit::Shaped(const QString &text, int width, QChar blank)
{
    QString places;
    for (QChar c : text)
        if (IsPlace(c, blank))
            places.append(c);
    places.truncate(width);
    return places + QString(width - places.size(), blank);
}

bool NumberMaskEdit::isPlace(QChar c) const
{
    return IsPlace(c, m_blank);
}

void NumberMaskEdit::setEditText(const QString &text)
{
    const QString shaped = Shaped(text, m_width, m_blank);
    if (shaped != QLineEdit::text())
        QLineEdit::setText(shaped);
}

void NumberMaskEdit::reshape()
{
    if (m_reshaping)
        return;
    const QString shaped = Shaped(QLineEdit::text(), m_width, m_blank);
    if (shaped == QLineEdit::text())
        return;
    m_reshaping = true;
    const int cursor = std::min(cursorPosition(), m_width);
    QLineEdit::setText(shaped);
    setCursorPosition(cursor);
    m_reshaping = false;
}

void NumberMaskEdit::overwriteAt(int position, const QString &places)
{
    QString t = text();
    for (int i = 0; i < places.size() && position + i < m_width; ++i)
        t[position + i] = places[i];
    const int cursor = std::min(position + int(places.size()), m_width);
    // Through the line edit's own editing, so that undo and textEdited follow.
    selectAll();
    insert(t);
    setCursorPosition(cursor);
}

void NumberMaskEdit::keyPressEvent(QKeyEvent *event)
{
    if (isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int selected = hasSelectedText() ? int(selectedText().size()) : 0;
    if (event->matches(QKeySequence::Paste)) {
        QString digits;
        for (QChar c : QGuiApplication::clipboard()->text())
            if (isPlace(c))
                digits.append(c);
        if (!digits.isEmpty())
            overwriteAt(start, digits.left(m_width - start));
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        copy();
        if (selected > 0)
            overwriteAt(start, QString(selected, m_blank));
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Backspace) {
        if (selected > 0)
            overwriteAt(start, QString(selected, m_blank));
        else if (start > 0) {
            overwriteAt(start - 1, QString(m_blank));
            setCursorPosition(start - 1);
        }
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        if (selected > 0)
            overwriteAt(start, QString(selected, m_blank));
        else if (start < m_width) {
            overwriteAt(start, QString(m_blank));
            setCursorPosition(start);
        }
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (typed.size() == 1 && typed[0].isPrint() && !(event->modifiers() & Qt::ControlModifier)) {
        if (isPlace(typed[0]) && start < m_width) {
            if (selected > 1)
                overwriteAt(start + 1, QString(selected - 1, m_blank));
            overwriteAt(start, typed);
        }
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
