// Line breaks at the widget boundary: stored CR LF and a lone CR show as LF;
// a widget's LF is stored as CR LF.
#include "LineBreaks.h"

#include <QList>
#include <gtest/gtest.h>

TEST(LineBreaks, StoredTextShowsWithLfAndGoesBackWithCrLf)
{
    struct Case {
        const char *name;
        QString stored, shown, storedAgain;
    };
    const QList<Case> cases = {
        {"no break", "abc", "abc", "abc"},
        {"CR LF", "a\r\nb", "a\nb", "a\r\nb"},
        {"lone CR", "a\rb", "a\nb", "a\r\nb"},
        {"lone CR at the end", "a\r", "a\n", "a\r\n"},
        {"LF alone", "a\nb", "a\nb", "a\r\nb"},
        {"CR before CR LF", "a\r\r\nb", "a\n\nb", "a\r\n\r\nb"},
        {"LF CR", "a\n\rb", "a\n\nb", "a\r\n\r\nb"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StoredToWidgetText(c.stored), c.shown);
        EXPECT_EQ(WidgetToStoredText(c.shown), c.storedAgain);
        EXPECT_EQ(StoredLength(c.shown), c.storedAgain.size());
    }
}
