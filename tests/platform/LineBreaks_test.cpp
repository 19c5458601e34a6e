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

// The other two readings of a stored break: the program's own messages (LF CR
// is one break too) and the list's goods description (any two break
// characters in a row are one break).
TEST(LineBreaks, MessagesAndTheGoodsDescriptionShowEachBreakAsOneLf)
{
    struct Case {
        const char *name;
        QString text, message, goods;
    };
    const QList<Case> cases = {
        {"no break", "abc", "abc", "abc"},
        {"CR LF", "a\r\nb", "a\nb", "a\nb"},
        {"lone CR", "a\rb", "a\nb", "a\nb"},
        {"lone LF", "a\nb", "a\nb", "a\nb"},
        {"LF CR", "a\n\rb", "a\nb", "a\nb"},
        {"blank line in CR LF", "a\r\n\r\nb", "a\n\nb", "a\n\nb"},
        {"LF LF", "a\n\nb", "a\n\nb", "a\nb"},
        {"three CRs", "a\r\r\rb", "a\n\n\nb", "a\n\nb"},
        {"break at the end", "a\r\n", "a\n", "a\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MessageToWidgetText(c.text), c.message);
        EXPECT_EQ(PairedBreaksToWidgetText(c.text), c.goods);
    }
}
