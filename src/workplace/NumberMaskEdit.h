#pragma once
// A fixed-width number box: always exactly width() places, each a digit or "_"
// for a place not filled in. Typing overwrites the place under the cursor;
// Backspace and Delete empty a place ("_") instead of closing the gap, so a
// text such as "12_4__" can stand. Pasted or programmatic text is brought to
// that shape (other characters dropped, missing places "_", extra cut off).
#include <QLineEdit>

class NumberMaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberMaskEdit(int width, QWidget *parent = nullptr);

    int width() const { return m_width; }
    // Sets the places; the text is brought to shape first.
    void setEditText(const QString &text);
    QString editText() const { return text(); }
    // Any text in the box's shape: digits and "_" only, exactly `width` places.
    static QString Shaped(const QString &text, int width);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void overwriteAt(int position, const QString &places);
    void reshape();

    int m_width;
    bool m_reshaping = false;
};
