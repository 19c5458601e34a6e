// A style picture is read at the size it is drawn: the small picture alone
// for the sizes it covers, the style's whole icon only when drawn larger;
// what it draws is the style's own picture.
#include "StylePicture.h"

#include <QApplication>
#include <QImage>
#include <QProxyStyle>

#include <gtest/gtest.h>

namespace {

// The application's style, counting what it is asked for.
class CountingStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    QPixmap standardPixmap(StandardPixmap standard, const QStyleOption *option, const QWidget *widget) const override
    {
        ++pixmapsAsked;
        return QProxyStyle::standardPixmap(standard, option, widget);
    }
    QIcon standardIcon(StandardPixmap standard, const QStyleOption *option, const QWidget *widget) const override
    {
        ++iconsAsked;
        return QProxyStyle::standardIcon(standard, option, widget);
    }
    mutable int pixmapsAsked = 0;
    mutable int iconsAsked = 0;
};

class StylePictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_before = QApplication::style()->name();
        style = new CountingStyle(m_before);
        QApplication::setStyle(style); // the application owns it from here
    }
    void TearDown() override { QApplication::setStyle(m_before); }

    CountingStyle *style = nullptr;

private:
    QString m_before;
};

QImage Image(const QPixmap &pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST_F(StylePictureTest, DrawsTheStylesPictureReadingOnlyTheSizesDrawn)
{
    const QStyle::StandardPixmap standard = QStyle::SP_FileDialogDetailedView;
    const QIcon picture = StylePicture(standard);
    EXPECT_FALSE(picture.isNull());
    EXPECT_EQ(style->pixmapsAsked + style->iconsAsked, 0) << "nothing is read before the picture is drawn";

    struct Case {
        const char *name;
        int side;
        QIcon::Mode mode;
        int iconsAsked; // the style's whole icon read so far
    };
    const Case cases[] = {
        {"menu size", 16, QIcon::Normal, 0},
        {"disabled", 16, QIcon::Disabled, 0},
        {"smaller", 12, QIcon::Normal, 0},
        {"large", 128, QIcon::Normal, 1},
        {"large again, then small", 16, QIcon::Normal, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QPixmap drawn = picture.pixmap(QSize(c.side, c.side), 1.0, c.mode);
        EXPECT_EQ(drawn.size(), QSize(c.side, c.side));
        EXPECT_EQ(Image(drawn), Image(style->QProxyStyle::standardIcon(standard).pixmap(QSize(c.side, c.side), 1.0, c.mode)));
        EXPECT_EQ(style->iconsAsked, c.iconsAsked);
    }
    EXPECT_EQ(style->pixmapsAsked, 1) << "the small picture is read once";
}

TEST_F(StylePictureTest, APictureSmallerThanTheSizeDrawnStillServesIt)
{
    // The style's apply picture is 15 pixels wide and 16 high.
    const QIcon picture = StylePicture(QStyle::SP_DialogApplyButton);
    const QPixmap drawn = picture.pixmap(QSize(16, 16));
    EXPECT_FALSE(drawn.isNull());
    EXPECT_EQ(style->iconsAsked, 0);
}
