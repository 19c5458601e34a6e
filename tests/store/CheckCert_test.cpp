// The field-by-field check of a certificate held in the insert parameters.
#include "CertificateParams.h"
#include "DataTessalNumbering.h"
#include "KDSUtils.h"
#include "StoreFixture.h"

#include <functional>

namespace {

QString Repeat(int count)
{
    return QString(count, QChar(u'ж'));
}

} // namespace

class CheckCertTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        insertCertificate(certificate(1, 12));
        selectCertificate(1);
        CopyListRowToInsertParams(*dm);
    }

    SqlParam &p(const char *name) { return dm->QueryInsM.paramByName(QString::fromLatin1(name)); }
    void setWide(const char *name, const QString &text) { WideToParam(text, p(name)); }

    TStatusCheckError check()
    {
        TStatusCheckError result;
        result.level = 9;
        result.text = "stale";
        CheckCert(*dm, result);
        return result;
    }
};

TEST_F(CheckCertTest, ValidCertificateHasNoFinding)
{
    const TStatusCheckError result = check();
    EXPECT_EQ(result.level, 0);
    EXPECT_EQ(result.text, QString());
}

TEST_F(CheckCertTest, EachRule)
{
    struct Rule {
        const char *name;
        std::function<void()> change;
        uint8_t level;
        QString text;
    };
    const QString tooLong = QStringLiteral(" символов.\r");
    const QList<Rule> rules = {
        {"expert changed", [&] { p("Expert").setText("Other"); }, 1, "ВНИМАНИЕ! Изменился эксперт\r"},
        {"expert changed, bad expert is the user",
         [&] {
             p("Expert").setText("Other");
             p("BadExpert").setText("Expert");
         },
         0, ""},
        {"chamber name empty", [&] { setWide("DovName", ""); }, 1,
         "ВНИМАНИЕ! Параметр Наименование палаты поля 11 не должен оставаться пустым.\r"},
        {"box 12 date after box 11", [&] { p("Date12").setInteger(today() + 1); }, 1,
         "ВНИМАНИЕ! дата поля 12 не должна превышать дату поля 11\r"},
        {"saved on another day", [&] { p("DateIssued").setInteger(today() - 1); }, 2, "ВНИМАНИЕ! Дата изменилась\r"},
        {"saved on another day, but spoilt or duplicated",
         [&] {
             p("DateIssued").setInteger(today() - 1);
             p("BadDate").setInteger(today() - 1);
         },
         0, ""},
        {"reference number used",
         [&] { insertCertificate(certificate(2, 12, {{"status", 7}, {"CertNo", 900}})); }, 2,
         "ВНИМАНИЕ! Номер 6007000012 уже был использован.\r"},
        {"reference number of a spoilt blank is free",
         [&] { insertCertificate(certificate(2, 12, {{"status", 8}, {"CertNo", 900}})); }, 0, ""},
        {"certificate number used in the language",
         [&] { insertCertificate(certificate(2, 13, {{"CertNo", 101}})); }, 2,
         "ВНИМАНИЕ! бланк 101 уже был использован.\r"},
        {"certificate number used in another language",
         [&] { insertCertificate(certificate(2, 13, {{"CertNo", 101}, {"Language", "en"}})); }, 0, ""},
        {"blank number out of range", [&] { App().NumberRangeMax = 11; }, 2,
         "ВНИМАНИЕ! Номер документа вышел за допустимый диапазон. Администратор должен сменить диапазон допустимых "
         "номеров.\r"},
        {"expert too long",
         [&] {
             p("Expert").setText(Repeat(101));
             p("BadExpert").setText("Expert");
         },
         2, "ВНИМАНИЕ! Параметр поля \"Эксперт\" не должен превышать 100" + tooLong},
        {"expert empty",
         [&] {
             p("Expert").setText("");
             p("BadExpert").setText("Expert");
         },
         2, "ВНИМАНИЕ! Параметр поля \"Эксперт\" не должен быть пустым.\r"},
        {"bad expert too long", [&] { p("BadExpert").setText(Repeat(101)); }, 2,
         "ВНИМАНИЕ! Параметр поля \"Эксперт\" не должен превышать 100" + tooLong},
        {"sender 701", [&] { setWide("Sender", Repeat(701)); }, 2,
         "ВНИМАНИЕ! Параметр Sender поля 1 не должен превышать 700" + tooLong},
        {"sender 700", [&] { setWide("Sender", Repeat(700)); }, 0, ""},
        {"exporter 701", [&] { setWide("Exporter", Repeat(701)); }, 2,
         "ВНИМАНИЕ! Параметр Exporter поля 1 не должен превышать 700" + tooLong},
        {"recipient 701", [&] { setWide("Recipient", Repeat(701)); }, 2,
         "ВНИМАНИЕ! Параметр Recipient поля 2 не должен превышать 700" + tooLong},
        {"importer 701", [&] { setWide("Importer", Repeat(701)); }, 2,
         "ВНИМАНИЕ! Параметр Importer поля 2 не должен превышать 700" + tooLong},
        {"transport 871", [&] { setWide("transport", Repeat(871)); }, 2,
         "ВНИМАНИЕ! Параметр transport поля 3 не должен превышать 870" + tooLong},
        {"transport 870", [&] { setWide("transport", Repeat(870)); }, 0, ""},
        {"official note 871", [&] { setWide("OfficialNote", Repeat(871)); }, 2,
         "ВНИМАНИЕ! Параметр OfficialNote поля 4 не должен превышать 870" + tooLong},
        {"additional info 871", [&] { setWide("AdditionalInfo", Repeat(871)); }, 2,
         "ВНИМАНИЕ! Параметр AdditionalInfo поля 6 не должен превышать 870" + tooLong},
        {"country 5 101", [&] { p("Country5").setText(Repeat(101)); }, 2,
         "ВНИМАНИЕ! Параметр страна поля 5 не должен превышать 100" + tooLong},
        {"chamber name 1001", [&] { setWide("DovName", Repeat(1001)); }, 2,
         "ВНИМАНИЕ! Параметр Наименование палаты поля 11 не должен превышать 1000" + tooLong},
        {"city 11 101", [&] { p("City11").setText(Repeat(101)); }, 2,
         "ВНИМАНИЕ! Параметр Город поля 11 не должен превышать 100" + tooLong},
        {"city 12 101", [&] { p("City12").setText(Repeat(101)); }, 2,
         "ВНИМАНИЕ! Параметр Город поля 12 не должен превышать 100" + tooLong},
        {"country 12 201", [&] { p("Country12").setText(Repeat(201)); }, 2,
         "ВНИМАНИЕ! Параметр Страна поля 12 не должен превышать 200" + tooLong},
        {"country 12 empty", [&] { p("Country12").setText(""); }, 1,
         "ВНИМАНИЕ! Параметр Страна поля 12 должен быть определён.\r"
         "ВНИМАНИЕ! Параметр Страна поля 12 должен иметь печатные символы.\r"},
        {"country 12 without printable characters", [&] { p("Country12").setText(" \t\r\n"); }, 1,
         "ВНИМАНИЕ! Параметр Страна поля 12 должен иметь печатные символы.\r"},
        {"act number empty",
         [&] {
             p("actPresent14").setBoolean(false);
             setWide("actNumber14", "");
             p("actDate14").setInteger(today());
         },
         2, "ВНИМАНИЕ! Поле 14. Номер акта экспертизы не должен быть пустым\r"},
        {"act number 51",
         [&] {
             p("actPresent14").setBoolean(false);
             setWide("actNumber14", Repeat(51));
             p("actDate14").setInteger(today());
         },
         2, "ВНИМАНИЕ! Поле 14. Номер акта экспертизы не должен превышать 50 символов\r"},
        {"act date missing",
         [&] {
             p("actPresent14").setBoolean(false);
             setWide("actNumber14", "А-1");
             p("actDate14").clear();
         },
         2, "ВНИМАНИЕ! Поле 14. дата акта экспертизы не должна быть пустой\r"},
        {"act not required",
         [&] {
             p("actPresent14").setBoolean(true);
             setWide("actNumber14", "");
             p("actDate14").clear();
         },
         0, ""},
        {"act rule after a level-1 finding keeps level 1",
         [&] {
             p("Expert").setText("Other");
             p("actPresent14").setBoolean(false);
             setWide("actNumber14", "А-1");
             p("actDate14").setInteger(0);
         },
         1,
         "ВНИМАНИЕ! Изменился эксперт\rВНИМАНИЕ! Поле 14. дата акта экспертизы не должна быть пустой\r"},
    };
    for (const Rule &rule : rules) {
        SCOPED_TRACE(rule.name);
        exec("delete from mcod where id <> 1");
        App().NumberRangeMax = 9999;
        CopyListRowToInsertParams(*dm);
        rule.change();
        const TStatusCheckError result = check();
        EXPECT_EQ(result.level, rule.level);
        EXPECT_EQ(result.text, rule.text);
    }
}

// Findings are joined in the order of the rules; the rows on box 12's country
// may lower an earlier level 2 to 1.
TEST_F(CheckCertTest, FindingsJoinInRuleOrder)
{
    p("Expert").setText("Other");
    p("DateIssued").setInteger(today() - 2);
    setWide("Sender", Repeat(701));
    const TStatusCheckError blocking = check();
    EXPECT_EQ(blocking.level, 2);
    EXPECT_EQ(blocking.text, "ВНИМАНИЕ! Изменился эксперт\rВНИМАНИЕ! Дата изменилась\r"
                             "ВНИМАНИЕ! Параметр Sender поля 1 не должен превышать 700 символов.\r");

    p("Country12").setText("");
    const TStatusCheckError lowered = check();
    EXPECT_EQ(lowered.level, 1);
    EXPECT_TRUE(lowered.text.startsWith(blocking.text));
    EXPECT_TRUE(lowered.text.endsWith("ВНИМАНИЕ! Параметр Страна поля 12 должен иметь печатные символы.\r"));
}

// A certificate never collides with its own row, however the editor was opened.
TEST_F(CheckCertTest, OwnRowIsNoCollision)
{
    for (uint8_t mode : {1, 2, 3, 4}) {
        App().EditMode = mode;
        EXPECT_EQ(check().level, 0) << int(mode);
    }
}

TEST_F(CheckCertTest, GoodsLines)
{
    const auto line = [](qint64 order, const QVariantMap &values) {
        QVariantMap row{{"idM", 1}, {"dOrder", order}, {"d7Num", QStringLiteral("1")},
                        {"d8Description", QStringLiteral("Товар")}, {"d9Count", QStringLiteral("2")},
                        {"d9Package", QStringLiteral("ящик")}, {"d10Weight", QStringLiteral("кг")},
                        {"d10Q", QStringLiteral("5")}};
        for (auto it = values.begin(); it != values.end(); ++it)
            row.insert(it.key(), it.value());
        return row;
    };
    insertRow("dcod", line(1, {{"d7Num", Repeat(576)}, {"d8Description", Repeat(9720)}}));
    insertRow("dcod", line(2, {{"d8Description", Repeat(9721)}, {"d10Q", Repeat(1501)}}));
    insertRow("dcod", line(3, {{"d7Num", Repeat(577)}, {"d9Count", Repeat(1369)}, {"d9Package", Repeat(1369)},
                               {"d10Weight", Repeat(1501)}}));
    insertRow("dcod", line(1, {{"idM", 2}, {"d7Num", Repeat(600)}})); // another certificate's line

    const TStatusCheckError result = check();
    EXPECT_EQ(result.level, 2);
    EXPECT_EQ(result.text,
              "ВНИМАНИЕ! Позиция 2; Размер поля 8 не должен превышать 9720 символов.\r"
              "ВНИМАНИЕ! Позиция 2; Параметр Количество поля 10 не должен превышать 1500 символов.\r"
              "ВНИМАНИЕ! Позиция 3; Размер поля 7 не должен превышать 576 символов.\r"
              "ВНИМАНИЕ! Позиция 3; Параметр Количество поля 9 не должен превышать 1368 символов.\r"
              "ВНИМАНИЕ! Позиция 3; Параметр Тип поля 9 не должен превышать 1368 символов.\r"
              "ВНИМАНИЕ! Позиция 3; Параметр Единицы измерения поля 10 не должен превышать 1500 символов.\r");
}

TEST_F(CheckCertTest, NothingCheckedWhileTheListIsClosed)
{
    p("Expert").setText("Other");
    dm->ASQM.close();
    const TStatusCheckError result = check();
    EXPECT_EQ(result.level, 0);
    EXPECT_EQ(result.text, QString());
}
