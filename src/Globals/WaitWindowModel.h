#pragma once
// The wait window's geometry and rules that need no window system: the
// rectangle type the window works in, the automatic size, the layout of
// text, icon and bar, the bar's fill and the progress clamp.
#include <QByteArray>
#include <QRgb>
#include <QSize>
#include <cstdint>

// A rectangle by its edges; right and bottom lie just outside it.
struct TRectL {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    TRectL movedToOrigin() const { return {0, 0, width(), height()}; }
    TRectL translated(int32_t dx, int32_t dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    TRectL inset(int32_t d) const { return {left + d, top + d, right - d, bottom - d}; }
    bool contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const TRectL &) const = default;
};

// Property numbers of the wait window, as its property messages carry them.
enum class WaitProperty : int {
    Active = 1,
    BackgroundColor = 2,
    TextColor = 3,
    Icon = 4,
    IconStep = 5,
    IconSize = 6,
    Bounds = 7,
    Text = 8,
    Alpha = 9,
    Font = 10,
};

// Pending repaint work, collected between two timer ticks.
namespace WaitRepaint {
constexpr int Relayout = 1;
constexpr int All = 2;
constexpr int Icon = 4;
constexpr int Bar = 8;
}

// The colours of the classic desktop scheme the window paints with.
namespace WaitColors {
constexpr QRgb ButtonFace = 0xFFF0F0F0;
constexpr QRgb WindowText = 0xFF000000;
constexpr QRgb ButtonShadow = 0xFFA0A0A0;
constexpr QRgb ButtonHighlight = 0xFFFFFFFF;
constexpr QRgb WindowFrame = 0xFF646464;
}

// Size of the desktop's standard icon.
constexpr int SystemIconSize = 32;

// The text shown when the window is made without one.
QByteArray DefaultWaitText();

// Progress in per mille as the window's 16-bit field holds it: Value when it
// fits, 32767 otherwise.
int16_t ClampPosition(int value);

// Bounds of a window that sizes itself: centred horizontally on the screen
// and centred in its upper two thirds. Screen is the full-screen area,
// TextSize the text measured in AutoSizeMeasureRect(Screen).
TRectL AutoSizeBounds(QSize screen, QSize textSize, int iconSize, int position);

// The rectangle Text is measured in for AutoSizeBounds.
TRectL AutoSizeMeasureRect(QSize screen);

struct WaitLayout {
    TRectL icon;
    TRectL bar;  // empty when no bar is shown
    TRectL text;
};

// Places the icon, the bar and the text inside the client rectangle.
WaitLayout LayoutWaitWindow(const TRectL &client, int iconSize, int position);

// Pixels of the bar's inner width that show Position (per mille, rounded).
int BarFillWidth(const TRectL &bar, int position);

// Repaint flags caused by a change of Position from Before to After: a bar
// that appears or goes away (any negative value means no bar) relays the
// window out, a moved bar repaints only itself.
int PositionChangeFlags(int before, int after);
