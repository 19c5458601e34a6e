// Qt's own buttons speak Russian like the rest of the interface.
#include "RussianQtTexts.h"

#include <QAbstractItemModel>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QTableView>
#include <QToolButton>
#include <QFileDialog>
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

// The save dialog both programs show (Restavo's for the restore file among
// them): its buttons read "Сохранить" and "Отмена".
TEST(RussianQtTexts, SaveDialogButtonsAreRussian)
{
    ASSERT_TRUE(InstallRussianQtTexts());
    QFileDialog dialog(nullptr, QStringLiteral("Куда сохранять результат?"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.show();
    auto *buttons = dialog.findChild<QDialogButtonBox *>();
    ASSERT_NE(buttons, nullptr);
    QStringList texts;
    for (QAbstractButton *button : buttons->buttons())
        texts << button->text().remove(QLatin1Char('&'));
    texts.sort();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Отмена"), QStringLiteral("Сохранить")}));
    dialog.hide();
}

// Under a C locale (as the tests and many service accounts run) a calendar
// still names its months and days in Russian.
TEST(RussianQtTexts, CalendarNamesMonthsAndDaysInRussianUnderACLocale)
{
    QLocale::setDefault(QLocale::c());
    ASSERT_TRUE(InstallRussianQtTexts());
    QCalendarWidget calendar;
    calendar.setSelectedDate(QDate(2026, 3, 2));
    calendar.show();
    auto *month = calendar.findChild<QToolButton *>(QStringLiteral("qt_calendar_monthbutton"));
    ASSERT_NE(month, nullptr);
    EXPECT_EQ(month->text().toLower(), QStringLiteral("март"));
    auto *days = calendar.findChild<QTableView *>(QStringLiteral("qt_calendar_calendarview"));
    ASSERT_NE(days, nullptr);
    QStringList header;
    for (int column = 0; column < days->model()->columnCount(); ++column)
        header << days->model()->data(days->model()->index(0, column)).toString().toLower();
    EXPECT_TRUE(header.contains(QStringLiteral("пн"))) << header.join(u' ').toStdString();
    EXPECT_FALSE(header.contains(QStringLiteral("mon"))) << header.join(u' ').toStdString();
    calendar.hide();
}

} // namespace
