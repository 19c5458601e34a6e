// Qt's own buttons speak Russian like the rest of the interface.
#include "RussianQtTexts.h"

#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

TEST(RussianQtTexts, MessageBoxButtonsAreRussian)
{
    ASSERT_TRUE(InstallRussianQtTexts()) << "Qt's Russian translations (qt6-translations-l10n) are not installed";
    EXPECT_TRUE(InstallRussianQtTexts()); // once is enough
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    const struct {
        QMessageBox::StandardButton button;
        const char *russian;
    } table[] = {{QMessageBox::Yes, "Да"}, {QMessageBox::No, "Нет"}, {QMessageBox::Cancel, "Отмена"}};
    for (const auto &row : table)
        EXPECT_EQ(box.button(row.button)->text().remove(QLatin1Char('&')), QString::fromUtf8(row.russian));
}

} // namespace
