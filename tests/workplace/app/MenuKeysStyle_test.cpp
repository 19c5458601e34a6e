// TessalCert's style: the platform's own pictures, read when drawn, and the
// same style as before for a picture asked with an option.
#include "MenuKeysStyle.h"

#include <QApplication>
#include <QImage>
#include <QStyleFactory>
#include <QStyleOption>

#include <gtest/gtest.h>

TEST(MenuKeysStyle, DrawsThePlatformStylesPictures)
{
    InstallMenuKeysStyle();
    auto *style = dynamic_cast<MenuKeysStyle *>(QApplication::style());
    ASSERT_NE(style, nullptr);
    const std::unique_ptr<QStyle> platform(QStyleFactory::create(style->baseStyle()->name()));
    const auto image = [](const QIcon &icon, int side) {
        return icon.pixmap(QSize(side, side)).toImage().convertToFormat(QImage::Format_ARGB32);
    };
    QStyleOption option;
    for (const QStyle::StandardPixmap standard :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_FileIcon, QStyle::SP_MessageBoxWarning}) {
        SCOPED_TRACE(int(standard));
        for (const int side : {16, 32, 64}) {
            EXPECT_EQ(image(style->standardIcon(standard), side), image(platform->standardIcon(standard), side));
            EXPECT_EQ(image(style->standardIcon(standard, &option), side),
                      image(platform->standardIcon(standard, &option), side));
        }
    }
}
