#include "WaitWindowPainter.h"
#include "WindowThread.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QRegion>

bool WaitWindowCanUseFonts()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

void DrawWaitRectangle(QPainter &painter, const TRectL &rect)
{
    if (rect.isEmpty())
        return;
    painter.drawRect(QRect(rect.left, rect.top, rect.width() - 1, rect.height() - 1));
}

void ExcludeFromClip(QPainter &painter, const TRectL &rect)
{
    if (rect.isEmpty())
        return;
    painter.setClipRegion(painter.clipRegion().subtracted(QRegion(rect.left, rect.top, rect.width(), rect.height())));
}

namespace {
QImage GenericApplicationIcon()
{
    QImage icon(SystemIconSize, SystemIconSize, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setPen(QColor(0x30, 0x50, 0x80));
    painter.setBrush(Qt::white);
    painter.drawRect(2, 4, 27, 23);
    painter.fillRect(3, 5, 26, 5, QColor(0x20, 0x60, 0xC0));
    painter.fillRect(6, 14, 20, 2, QColor(0xA0, 0xA0, 0xA0));
    painter.fillRect(6, 19, 14, 2, QColor(0xA0, 0xA0, 0xA0));
    return icon;
}
}

QImage DefaultWaitIcon()
{
    for (const char *name : {":/MESICON9", ":/MAINICON"}) {
        QImage icon(QString::fromLatin1(name));
        if (!icon.isNull())
            return icon;
    }
    return GenericApplicationIcon();
}

QSize MeasureWaitText(const QFont &font, const QByteArray &text, const TRectL &rect)
{
    if (!WaitWindowCanUseFonts() || text.isEmpty())
        return {};
    const QFontMetrics metrics(font);
    return metrics
        .boundingRect(QRect(0, 0, rect.width(), rect.height()), Qt::TextWordWrap, QString::fromUtf8(text))
        .size();
}

// The standard painting of the window, each step clipped away from the
// next so that nothing is painted twice.
void WaitWindowHooks::Paint(QPainter &painter, const WaitPaintState &state)
{
    painter.setPen(QPen(QColor::fromRgb(WaitColors::ButtonShadow), 1));
    painter.setBrush(state.backgroundColor);
    if (state.position >= 0 && !state.layout.bar.isEmpty()) {
        PaintBar(painter, state);
        ExcludeFromClip(painter, state.layout.bar);
    }
    if (!state.icon.isNull() && !state.layout.icon.isEmpty()) {
        PaintIcon(painter, state);
        ExcludeFromClip(painter, state.layout.icon);
    }
    PaintFrame(painter, state);
    if (!state.text.isEmpty() && !state.layout.text.isEmpty())
        PaintText(painter, state);
}

void WaitWindowHooks::PaintBar(QPainter &painter, const WaitPaintState &state)
{
    const TRectL &bar = state.layout.bar;
    const TRectL inner = bar.inset(1);
    const int fill = BarFillWidth(bar, state.position);
    if (fill > 0) {
        const TRectL done{inner.left, inner.top, inner.left + fill, inner.bottom};
        painter.fillRect(QRect(done.left, done.top, done.width(), done.height()),
                         QColor::fromRgb(WaitColors::ButtonHighlight));
        ExcludeFromClip(painter, done);
    }
    DrawWaitRectangle(painter, bar);
}

void WaitWindowHooks::PaintIcon(QPainter &painter, const WaitPaintState &state)
{
    const TRectL &r = state.layout.icon;
    const QRect target(r.left, r.top, r.width(), r.height());
    painter.fillRect(target, state.backgroundColor);
    painter.drawImage(target, state.icon);
}

void WaitWindowHooks::PaintFrame(QPainter &painter, const WaitPaintState &state)
{
    DrawWaitRectangle(painter, state.client);
    painter.setPen(QPen(QColor::fromRgb(WaitColors::WindowFrame), 1));
    DrawWaitRectangle(painter, state.client.inset(1));
}

void WaitWindowHooks::PaintText(QPainter &painter, const WaitPaintState &state)
{
    if (!WaitWindowCanUseFonts())
        return;
    const TRectL &r = state.layout.text;
    painter.setPen(state.textColor);
    painter.drawText(QRect(r.left, r.top, r.width(), r.height()), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                     QString::fromUtf8(state.text));
}
