#include "Moneybar.h"

#include "ApplicationTitle.h"
#include "Prompter.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace {

// 8 x 8 dots, leftmost pixel in the most significant bit.
const uchar ShadowRows[8] = {0xAA, 0x00, 0x55, 0x00, 0xAA, 0x00, 0x55, 0x00};

// A frame of `width` pixels inside rect: topLeft colour on the top and left
// edges, bottomRight colour on the bottom and right. Returns the rectangle
// left inside the frame.
QRect DrawFrame3D(QPainter &painter, QRect rect, const QColor &topLeft, const QColor &bottomRight,
                  int width)
{
    for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
        const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
        painter.setPen(topLeft);
        painter.drawLine(l, b, l, t);
        painter.drawLine(l, t, r, t);
        painter.setPen(bottomRight);
        painter.drawLine(r, t, r, b);
        painter.drawLine(r, b, l, b);
        rect.adjust(1, 1, -1, -1);
    }
    return rect;
}

// The plain message box of the program: the application's name as caption, no icon.
void ShowPlainMessage(const QString &text)
{
    Prompts().inform(text, ApplicationTitle(), Prompt::NoIcon);
}

} // namespace

TMoneyPanel::TMoneyPanel(QWidget *parent)
    : QWidget(parent),
      m_shadowBrush(QBitmap::fromData(QSize(8, 8), ShadowRows, QImage::Format_Mono)),
      m_color(palette().color(QPalette::Button))
{
    // The panel leaves the shadow's gaps to whatever lies behind it.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
    setMouseTracking(true);
}

TMoneyPanel::~TMoneyPanel() = default;

void TMoneyPanel::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

void TMoneyPanel::setBorder(bool border)
{
    m_border = border;
    repaint();
}

void TMoneyPanel::setColor(const QColor &color)
{
    m_color = color;
    repaint();
}

void TMoneyPanel::setFont3D(bool font3D)
{
    m_font3D = font3D;
    repaint();
}

void TMoneyPanel::setShadow(bool shadow)
{
    m_shadow = shadow;
    repaint();
}

void TMoneyPanel::setAlignment(TAlignment alignment) { m_alignment = alignment; }

void TMoneyPanel::setDropDownMenu(QMenu *menu)
{
    if (menu && menu->actions().isEmpty()) {
        ShowPlainMessage(QStringLiteral("Cannot assign empty menu"));
        return;
    }
    m_dropDownMenu = menu;
    update();
}

void TMoneyPanel::setBevelWidth(int width)
{
    m_bevelWidth = width;
    repaint();
}

void TMoneyPanel::setPattern(const QPixmap &pattern)
{
    m_pattern = pattern.copy();
    repaint();
}

int TMoneyPanel::captionWidth() const
{
    return fontMetrics().horizontalAdvance(m_caption);
}

void TMoneyPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QRect r;
    if (m_shadow) {
        painter.fillRect(QRect(2, 2, width() - 2, height() - 2), QBrush(Qt::black, m_shadowBrush));
        r = QRect(0, 0, width() - 2, height() - 2);
    } else {
        r = rect();
    }
    if (!m_pattern.isNull())
        painter.fillRect(r, QBrush(m_pattern));
    else
        painter.fillRect(r, m_color);

    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    if (!m_shadow)
        r = DrawFrame3D(painter, r, light, dark, m_bevelWidth);
    else if (m_border)
        r = DrawFrame3D(painter, r, dark, dark, m_bevelWidth);

    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int h = metrics.height();
    const int w = metrics.horizontalAdvance(QLatin1Char('H'));
    // Right and bottom are exclusive here, as the positions are measured.
    const int right = r.x() + r.width();
    const int bottom = r.y() + r.height();
    const int y = (bottom - h) / 2;
    int x = 0;
    switch (m_alignment) {
    case TAlignment::Left:
        x = m_dropDownMenu ? 18 : 12;
        break;
    case TAlignment::Right:
        x = right - captionWidth() - 10;
        break;
    case TAlignment::Center:
        x = (right - captionWidth()) / 2;
        break;
    }
    const int arrowX = x - w / 2 - 4;
    const QColor textColor = palette().color(QPalette::WindowText);
    if (m_font3D) {
        painter.setPen(Qt::black);
        painter.drawText(x + 2, y + 2 + metrics.ascent(), m_caption);
        if (m_dropDownMenu)
            drawArrow(painter, arrowX, y + h / 2 + 2);
    }
    painter.setPen(textColor);
    if (m_dropDownMenu)
        drawArrow(painter, arrowX, y + h / 2);
    painter.drawText(x, y + metrics.ascent(), m_caption);
}

void TMoneyPanel::drawArrow(QPainter &painter, int ax, int ay) const
{
    ax = qMax(ax, 5);
    painter.drawLine(ax, ay - 1, ax + 5, ay - 1);
    painter.drawLine(ax, ay, ax + 5, ay);
    painter.drawLine(ax + 1, ay + 1, ax + 4, ay + 1);
    painter.drawLine(ax + 2, ay + 2, ax + 3, ay + 2);
    painter.drawPoint(ax + 3, ay + 3);
}

void TMoneyPanel::mouseMoveEvent(QMouseEvent *event)
{
    m_lastMouse = event->position().toPoint();
    QWidget::mouseMoveEvent(event);
}

void TMoneyPanel::mousePressEvent(QMouseEvent *event)
{
    // A press is also where the mouse last was, whether or not a move came first.
    m_lastMouse = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QWidget::mousePressEvent(event);
}

void TMoneyPanel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && wasPressed && rect().contains(event->position().toPoint()))
        click();
}

void TMoneyPanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

void TMoneyPanel::click()
{
    if (!m_dropDownMenu) {
        emit clicked();
        return;
    }
    int x0 = 0;
    switch (m_alignment) {
    case TAlignment::Left:
        x0 = 5;
        break;
    case TAlignment::Right:
        x0 = width() - captionWidth() - 15;
        break;
    case TAlignment::Center:
        x0 = (width() - captionWidth()) / 2 - 5;
        break;
    }
    const int m = height() / 2;
    if (m_lastMouse.x() >= x0 && m_lastMouse.x() <= x0 + 10 && m_lastMouse.y() >= m - 5
        && m_lastMouse.y() <= m + 5)
        m_dropDownMenu->popup(mapToGlobal(QPoint(0, height())));
}
