#include "StylePicture.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>

namespace {

class StylePictureEngine : public QIconEngine {
public:
    StylePictureEngine(QStyle::StandardPixmap standard, QStyle *style) : m_standard(standard), m_style(style) {}

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return iconFor(size).pixmap(size, mode, state);
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        iconFor(rect.size() * ratio).paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return iconFor(size).actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return iconFor(QSize()).availableSizes(mode, state);
    }
    // The style has a picture for every standard pixmap the program names.
    bool isNull() override { return false; }
    QIconEngine *clone() const override { return new StylePictureEngine(*this); }
    QString key() const override { return QStringLiteral("StylePicture"); }

private:
    QStyle *style() const { return m_style ? m_style.data() : QApplication::style(); }
    // The style's standard pixmap: its picture at the small icon size.
    const QIcon &small()
    {
        if (!m_smallRead) {
            const QPixmap picture = style()->standardPixmap(m_standard);
            m_smallSide = qMax(picture.width(), picture.height());
            if (!picture.isNull())
                m_small = QIcon(picture);
            m_smallRead = true;
        }
        return m_small;
    }
    // The small picture for a size it covers (a picture 15 pixels wide serves
    // 16), else the whole icon.
    const QIcon &iconFor(const QSize &size)
    {
        const QIcon &fewPixels = small();
        if (!fewPixels.isNull() && qMax(size.width(), size.height()) <= m_smallSide)
            return fewPixels;
        if (m_whole.isNull())
            m_whole = style()->standardIcon(m_standard);
        return m_whole;
    }

    QStyle::StandardPixmap m_standard;
    QPointer<QStyle> m_style;
    bool m_smallRead = false;
    QIcon m_small;
    int m_smallSide = 0;
    QIcon m_whole;
};

} // namespace

QIcon StylePicture(QStyle::StandardPixmap standard, QStyle *style)
{
    return QIcon(new StylePictureEngine(standard, style));
}
