#include "WaitWindowModel.h"

#include <algorithm>

QByteArray DefaultWaitText()
{
    return QByteArrayLiteral("Дождитесь окончания текущей операции!");
}

int16_t ClampPosition(int value)
{
    if (value >= -32768 && value <= 32767)
        return static_cast<int16_t>(value);
    return 32767;
}

TRectL AutoSizeMeasureRect(QSize screen)
{
    const int w = screen.width();
    const int h = screen.height() * 2 / 3;
    return {0, 0, w / 2, 2 * h};
}

TRectL AutoSizeBounds(QSize screen, QSize textSize, int iconSize, int position)
{
    const int w = screen.width();
    const int h = screen.height() * 2 / 3;
    int width = textSize.width() + 16;
    int height = std::max(textSize.height(), iconSize) + 16;
    if (iconSize > 0)
        width += iconSize + 8;
    if (position >= 0)
        height += 16;
    return {(w - width) / 2, (h - height) / 2, (w + width) / 2, (h + height) / 2};
}

WaitLayout LayoutWaitWindow(const TRectL &client, int iconSize, int position)
{
    const int s = std::max(iconSize, 0);
    WaitLayout layout;
    layout.icon = {client.left + 8, client.top + 8, client.left + 8 + s, client.top + 8 + s};

    layout.bar = {client.left + 8, client.bottom - 16, client.right - 8, client.bottom - 8};
    if (position < 0)
        layout.bar.top = layout.bar.bottom;
    if (layout.bar.top < layout.icon.bottom + 8 && iconSize > 0)
        layout.bar.left = layout.icon.right + 8;

    layout.text = client.inset(8);
    if (iconSize > 0)
        layout.text.left = layout.icon.right + 8;
    if (position >= 0)
        layout.text.bottom = layout.bar.top - 1;
    return layout;
}

int BarFillWidth(const TRectL &bar, int position)
{
    const int p = std::min(position, 1000);
    if (p <= 0)
        return 0;
    const int inner = std::max(bar.width() - 2, 0);
    return (p * inner + 500) / 1000;
}

int PositionChangeFlags(int before, int after)
{
    if (before == after)
        return 0;
    // Any negative value means no bar, so a change across zero changes the layout.
    if ((before < 0) != (after < 0))
        return WaitRepaint::Relayout;
    if (after < 0)
        return 0;
    return WaitRepaint::Bar;
}
