#include "EditHeadBoxes.h"

#include "DatabaseSchema.h"
#include "GGDateTime.h"
#include "KDSUtils.h"
#include "SqlQuery.h"

#include <gtest/gtest.h>

namespace {

SqlParams InsertParams()
{
    SqlParams params;
    params.parseFrom(Schema::InsertMcod());
    for (int i = 0; i < params.count(); ++i)
        params.at(i).setType(Schema::McodParamType(params.at(i).name()));
    return params;
}

TEST(EditHeadBoxes, ActBoxStoresNumberAndDateOnlyWhileThereIsAnAct)
{
    struct Case {
        bool absent;
        QString number, dateText;
        bool numberNull;
        qint64 date;
    } cases[] = {
        {false, QStringLiteral("А-1\x01"), "13.03.2026", false, DateToDayNumber(QDate(2026, 3, 13))},
        {false, "A-2", "31.02.2026", false, 0},
        {false, "A-3", "", false, 0},
        {false, "A-4", "1.3.2026", false, 0},
        {true, "A-5", "13.03.2026", true, 0},
    };
    for (const Case &c : cases) {
        SqlParams params = InsertParams();
        EditorHead head;
        head.actAbsent = c.absent;
        head.actNumber = c.number;
        head.actDateText = c.dateText;
        ActToParams(head, params);
        EXPECT_EQ(params.byName("actPresent14").value().toBool(), c.absent);
        EXPECT_EQ(params.byName("actNumber14").isNull(), c.numberNull) << c.number.toStdString();
        if (!c.numberNull) {
            EXPECT_EQ(ParamToWide(params.byName("actNumber14")), QString(c.number).remove(QChar(1)));
        }
        EXPECT_EQ(params.byName("actDate14").asInteger(), c.date) << c.dateText.toStdString();
    }
}

TEST(EditHeadBoxes, NumberBlockIsPaddedOnShowAndBuildsTheReferenceOnSave)
{
    SqlParams params = InsertParams();
    params.byName("CertNo").setInteger(42);
    params.byName("NumNum").setInteger(15);
    params.byName("GNum").setInteger(6);
    params.byName("Language").setText("en");
    WideToParam(QStringLiteral("Sender\r\nline"), params.byName("Sender"));
    params.byName("City11").setText(QStringLiteral("Тверь"));
    EditorHead head = HeadFromParams(params, 7);
    EXPECT_EQ(head.certNo, "0000042");
    EXPECT_EQ(head.blankNumber, "000015");
    EXPECT_EQ(head.yearDigit, "6");
    EXPECT_EQ(head.chamber, "007");
    EXPECT_EQ(head.texts.value("Sender"), "Sender\r\nline");
    EXPECT_EQ(head.texts.value("City11"), QStringLiteral("Тверь"));

    head.blankNumber = "120400";
    head.texts["City11"] = QStringLiteral("Тверь\x02");
    HeadToParams(head, params);
    EXPECT_EQ(params.byName("ReferenceNo").asText(), "6007120400");
    EXPECT_EQ(params.byName("NumNum").asInteger(), 120400);
    EXPECT_EQ(params.byName("CertNo").asInteger(), 42);
    EXPECT_EQ(params.byName("City11").type(), SqlParam::Type::Text);
    EXPECT_EQ(params.byName("City11").asText(), QStringLiteral("Тверь"));
    EXPECT_EQ(params.byName("Sender").type(), SqlParam::Type::Blob);
}

} // namespace
