#pragma once
// TMoneyPanel: a panel painted by hand, with an optional dotted drop shadow,
// a tiled background picture, a raised or flat frame, a caption with an
// optional black under-copy, and an optional drop-down menu opened from a
// small arrow left of the caption.
#include <QBitmap>
#include <QColor>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QWidget>



class TMoneyPanel : public QWidget {
    Q_OBJECT
public:
    enum class TAlignment { Left, Right, Center };

    explicit TMoneyPanel(QWidget *parent = nullptr);
    ~TMoneyPanel() override;

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    bool Border() const { return m_border; }
    void setBorder(bool border);
    // Face colour when Pattern is empty; the button-face colour at first.
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);
    bool Font3D() const { return m_font3D; }
    void setFont3D(bool font3D);
    bool Shadow() const { return m_shadow; }
    void setShadow(bool shadow);
    // Only stored; the next paint uses it.
    TAlignment Alignment() const { return m_alignment; }
    void setAlignment(TAlignment alignment);
    // Not owned. A menu without items is refused with a message and the old
    // menu stays; no menu at all (nullptr) removes the arrow.
    QMenu *DropDownMenu() const { return m_dropDownMenu; }
    void setDropDownMenu(QMenu *menu);
    int BevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(int width);
    // The panel keeps its own copy of the picture.
    const QPixmap &Pattern() const { return m_pattern; }
    void setPattern(const QPixmap &pattern);

    // The last mouse position seen over the panel, in its own coordinates.
    QPoint lastMousePosition() const { return m_lastMouse; }

signals:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void click();
    int captionWidth() const;
    void drawArrow(class QPainter &painter, int ax, int ay) const;

    int m_bevelWidth = 1;
    QBitmap m_shadowBrush;
    QPixmap m_pattern;
    QColor m_color;
    bool m_font3D = false;
    bool m_shadow = false;
    QPointer<QMenu> m_dropDownMenu;
    bool m_border = false;
    TAlignment m_alignment = TAlignment::Left;
    QString m_caption;
    QPoint m_lastMouse;
    bool m_pressed = false;
};
