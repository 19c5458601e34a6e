#pragma once
// A fixed-width number box: always exactly width() places, each a digit or the
// blank ("_" unless given) for a place not filled in. Typing overwrites the
// place under the cursor; Backspace and Delete empty a place instead of
// closing the gap, so a text such as "12_4__" can stand. Pasted or
// programmatic text is brought to that shape (other characters dropped,
// missing places blank, extra cut off).
#include <QLineEdit>

class NumberMaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberMaskEdit(int width, QWidget *parent = nullptr, QChar blank = DefaultBlank);

    static constexpr QChar DefaultBlank = QLatin1Char('_');

    int width() const { return m_width; }
    QChar blank() const { return m_blank; }
    // Sets the places; the text is brought to shape first.
    void setEditText(const QString &text);
    QString editText() const { return text(); }
    // Any text in the box's shape: digits and the blank only, exactly `width` places.
    static QString Shaped(const QString &text, int width, QChar blank = DefaultBlank);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void overwriteAt(int position, const QString &places);
    void reshape();

    bool isPlace(QChar c) const;

    int m_width;
    QChar m_blank;
    bool m_reshaping = false;
};
