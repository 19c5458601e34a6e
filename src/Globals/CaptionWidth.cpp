#include "CaptionWidth.h"

#include <QWidget>

#include <algorithm>

namespace {
constexpr int TitleBarReserve = 96; // the title bar's icon and buttons
}

void KeepCaptionVisible(QWidget *window, int minimumWidth)
{
    const int captionWidth = window->fontMetrics().horizontalAdvance(window->windowTitle()) + TitleBarReserve;
    window->setMinimumWidth(std::max(minimumWidth, captionWidth));
}
