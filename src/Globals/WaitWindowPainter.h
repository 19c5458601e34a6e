#pragma once
// Pieces of the wait window's painting that the window thread and its hooks
// share: the desktop-style rectangle, the default icon and text measuring.
#include "WaitWindowModel.h"

#include <QFont>
#include <QImage>
#include <QSize>

class QPainter;

// Whether fonts can be used: they need the application's GUI object.
bool WaitWindowCanUseFonts();

// Outline in the painter's pen over the pixels of Rect (right and bottom
// outside), the inside in its brush.
void DrawWaitRectangle(QPainter &painter, const TRectL &rect);

// Takes Rect out of the painter's clip region.
void ExcludeFromClip(QPainter &painter, const TRectL &rect);

// The program's wait icon: the resource ":/MESICON9", else ":/MAINICON",
// else a generic application icon SystemIconSize pixels wide.
QImage DefaultWaitIcon();

// Size of Text word-wrapped into the width of Rect with Font; empty when
// fonts cannot be used.
QSize MeasureWaitText(const QFont &font, const QByteArray &text, const TRectL &rect);
