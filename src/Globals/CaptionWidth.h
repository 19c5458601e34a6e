#pragma once
// Windows whose content alone would leave them narrower than their caption:
// the window system would cut the caption short.
class QWidget;

// Makes Window at least wide enough for its present caption (measured in the
// window's font, with room for the title bar's buttons) and for MinimumWidth.
void KeepCaptionVisible(QWidget *window, int minimumWidth = 0);
