// The two small windows of the start-up: the synchronisation warning and the
// language choice.
#include "CommonTessal.h"
#include "DlgWarningSync.h"
#include "LanguageForm.h"
#include "WorkstationFile.h"

#include <QLabel>
#include <QPushButton>
#include <QComboBox>
#include <gtest/gtest.h>

class StartupWindowsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetAppState(); }
    void TearDown() override { ResetAppState(); }
};

TEST_F(StartupWindowsTest, WarningTellsTheDaysAndOffersSynchronisationToTheAdministratorOnly)
{
    struct Case {
        int32_t user;
        QString request;
        bool buttons;
    };
    const QList<Case> cases = {
        {1, QStringLiteral("Пожалуйста, сделайте синхронизацию с ЦБД DUV России!"), true},
        {2,
         QStringLiteral("Пожалуйста, напомните администратору АРМ о необходимости синхронизации с ЦБД DUV России!"),
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.user);
        App().CurrentUserId = c.user;
        TfDlgWarningSync warning(6);
        EXPECT_EQ(warning.windowTitle(), QStringLiteral("Certificate of origin"));
        EXPECT_EQ(warning.LabelDays->text(), QStringLiteral("Синхронизация с ЦБД не производилась 6 дней."));
        EXPECT_EQ(warning.LabelRequest->text(), c.request);
        EXPECT_EQ(warning.BitBtnStartSync->isEnabled(), c.buttons);
        EXPECT_EQ(warning.BitBtnSyncFile->isEnabled(), c.buttons);
        EXPECT_TRUE(warning.BitBtnCancel->isEnabled());
    }
}

TEST_F(StartupWindowsTest, WarningButtonsGiveTheirChoice)
{
    App().CurrentUserId = 1;
    const QList<std::pair<const char *, uint8_t>> buttons = {
        {"BitBtnCancel", 1}, {"BitBtnStartSync", 2}, {"BitBtnSyncFile", 3}};
    for (const auto &[name, choice] : buttons) {
        TfDlgWarningSync warning(9);
        warning.findChild<QPushButton *>(QLatin1String(name))->click();
        EXPECT_EQ(warning.choice(), choice) << name;
        EXPECT_EQ(warning.result(), int(QDialog::Accepted));
    }
}

TEST_F(StartupWindowsTest, LanguageChoiceFollowsTheWorkstationFileAndNeedsALanguage)
{
    TfLanguage language;
    EXPECT_EQ(language.windowTitle(), QStringLiteral("Выбор языка заполнения сертификата"));
    language.show(); // as wide as its whole caption needs
    EXPECT_GT(language.width(), language.fontMetrics().horizontalAdvance(language.windowTitle()));
    language.setLanguages({{"ru", "Палата", "Москва"}, {"en", "Chamber", "Moscow"}});
    EXPECT_EQ(language.ComboBoxLang->count(), 2);
    EXPECT_EQ(language.selectedLanguage(), QByteArray("ru"));
    EXPECT_TRUE(language.ButtonOk->isEnabled());
    language.ComboBoxLang->setCurrentIndex(1);
    EXPECT_EQ(language.selectedLanguage(), QByteArray("en"));

    language.setLanguages({});
    EXPECT_EQ(language.selectedLanguage(), QByteArray());
    EXPECT_FALSE(language.ButtonOk->isEnabled());
}
