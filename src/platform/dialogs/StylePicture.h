#pragma once
// A standard picture of the application's style, read at the size it is
// drawn. The style's own icon reads every size of its picture from its files
// when it is made (up to 128 pixels, PNG decoding for each); a window showing
// a few dozen of them at start-up would spend milliseconds on sizes it never
// draws. This icon reads the style's small picture when it is first drawn,
// and the style's whole icon only if it is drawn larger.
#include <QIcon>
#include <QStyle>

// The picture of the style given (while it lives), else of the application's
// style.
QIcon StylePicture(QStyle::StandardPixmap standard, QStyle *style = nullptr);
