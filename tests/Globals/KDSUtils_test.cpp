#include "ClientDataSet.h"
#include "KDSUtils.h"
#include "SqlQuery.h"
#include "SqliteDatabase.h"
#include "ggError.h"
#include "qlTntDB.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// One dataset with the same texts as an 8-bit string, a wide string and a UTF-16LE blob.
class LocateTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        cds.setFieldDefs({{"id", FieldType::AutoInc},
                          {"s", FieldType::String, 50},
                          {"w", FieldType::WideString, 50},
                          {"b", FieldType::Blob},
                          {"n", FieldType::Integer}});
        cds.createDataSet();
        const QList<QVariant> texts = {QVariant(), QString(""), QString::fromUtf8("Привет мир"),
                                       QString::fromUtf8("ПРИВЕТ"), QString::fromUtf8("большой МИР")};
        int n = 10;
        for (const QVariant &text : texts) {
            cds.append();
            cds.fieldByName("s").setValue(text);
            cds.fieldByName("w").setValue(text);
            if (text.isValid())
                cds.fieldByName("b").setValue(WideTextBytes(text.toString()));
            cds.fieldByName("n").setValue(n++);
            cds.post();
        }
        cds.first();
    }

    ClientDataSet cds;
};

struct LocateCase {
    uint8_t options;
    const char *value;
    int row;      // 1-based row LocateByKeyFields finds, 0 for none
    int wideRow;  // the same for LocateWide, which never matches a null field
};

} // namespace

TEST_F(LocateTable, OptionBitsCaseAndEmptyRules)
{
    const QList<LocateCase> cases = {
        {0, "Привет мир", 3, 3}, {0, "привет мир", 0, 0}, {1, "привет мир", 3, 3}, {1, "ПРИВЕТ", 4, 4},
        {0, "ПРИВЕТ", 4, 4},     {3, "привет", 3, 3},     {3, "мир", 0, 0},        {5, "мир", 3, 3},
        {5, "ух МиР", 0, 0},     {5, "ОЙ", 5, 5},         {2, "пРиВ", 3, 3},       {4, "ВЕТ", 3, 3},
        // an empty value: the empty text matches, and for the key search a null one too
        {0, "", 1, 2},           {1, "", 1, 2},           {3, "", 1, 2},           {5, "", 1, 2},
    };
    for (const char *field : {"w", "s", "b"}) {
        for (const LocateCase &c : cases) {
            SCOPED_TRACE(QString("field %1, options %2, value '%3'").arg(field).arg(c.options).arg(QString::fromUtf8(c.value)).toStdString());
            cds.setRecNo(5);
            const bool found = LocateByKeyFields(cds, field, QString::fromUtf8(c.value), c.options);
            EXPECT_EQ(found, c.row != 0);
            EXPECT_EQ(cds.recNo(), c.row ? c.row : 5); // not found: back where it was
            if (std::string(field) == "w") {
                cds.setRecNo(5);
                EXPECT_EQ(LocateWide(cds, field, QString::fromUtf8(c.value), c.options), c.wideRow != 0);
                EXPECT_EQ(cds.recNo(), c.wideRow ? c.wideRow : 5);
            }
        }
    }
}

TEST_F(LocateTable, NullKeysEmptyKeysAndSeveralKeyFields)
{
    // A null key matches only a null field; an empty text key also matches a null text or blob.
    EXPECT_TRUE(LocateByKeyFields(cds, "w", QVariant(), 0));
    EXPECT_EQ(cds.recNo(), 1);
    cds.last();
    EXPECT_TRUE(LocateByKeyFields(cds, "s", QString(""), 0));
    EXPECT_EQ(cds.recNo(), 1);
    cds.last();
    EXPECT_TRUE(LocateByKeyFields(cds, "b", QString(""), 0));
    EXPECT_EQ(cds.recNo(), 1);
    // LocateWide never matches a null field, not even with an empty value.
    cds.last();
    EXPECT_TRUE(LocateWide(cds, "w", "", 0));
    EXPECT_EQ(cds.recNo(), 2);

    EXPECT_TRUE(LocateByKeyFields(cds, "w; n", QVariantList{QString::fromUtf8("привет"), 13}, 3));
    EXPECT_EQ(cds.recNo(), 4);
    EXPECT_FALSE(LocateByKeyFields(cds, "w,n", QVariantList{QString::fromUtf8("привет"), 14}, 3));
    EXPECT_EQ(cds.recNo(), 4);
    EXPECT_TRUE(LocateByKeyFields(cds, " n ", QString("12"), 0));
    EXPECT_EQ(cds.recNo(), 3);
}

TEST_F(LocateTable, RefusalsRestoreControlsAndTheCursor)
{
    int scrolls = 0;
    QObject::connect(&cds, &DataSet::afterScroll, [&] { ++scrolls; });
    cds.setRecNo(3);
    scrolls = 0;
    try {
        LocateByKeyFields(cds, " ;, ", QString("x"), 0);
        FAIL();
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), "invalid KeyFields");
    }
    try {
        LocateByKeyFields(cds, "id", 1, 0);
        FAIL();
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), "unsupported DataType for field id");
    }
    EXPECT_THROW(LocateByKeyFields(cds, "n", QString("not a number"), 0), AppError);
    EXPECT_FALSE(LocateWide(cds, "w", "absent", 5));
    EXPECT_FALSE(cds.controlsDisabled());
    EXPECT_EQ(cds.recNo(), 3);
    EXPECT_EQ(scrolls, 0);
    EXPECT_TRUE(LocateWide(cds, "w", QString::fromUtf8("привет МИР"), 1));
    EXPECT_EQ(scrolls, 0); // already there
    EXPECT_TRUE(LocateWide(cds, "w", QString::fromUtf8("привет"), 1));
    EXPECT_EQ(scrolls, 1); // one event for the whole scan
}

TEST(WideParams, RoundTripThroughABlobColumn)
{
    QTemporaryDir dir;
    SqliteDatabase db(dir.filePath("w.sqb"));
    db.exec("CREATE TABLE Options ([UserName] BLOB, [ParamName] BLOB, [Value] BLOB)");
    SqlQuery ins(&db);
    ins.setSql("INSERT INTO Options (UserName, ParamName, Value) VALUES (:UserName, :ParamName, :Value)");
    const QString text = QString::fromUtf8("Строка\r\nвторая 😀 ₽");
    WideToParam(text, ins.paramByName("UserName"));
    WideToParam("", ins.paramByName("ParamName"));
    ins.paramByName("Value").setBlob(QByteArray::fromHex("410042"));
    EXPECT_EQ(ParamToWide(ins.paramByName("UserName")), text);
    EXPECT_EQ(ins.paramByName("UserName").asBytes().size(), 2 * text.size());
    EXPECT_FALSE(ins.paramByName("ParamName").isNull());
    ins.execSql();

    SqlQuery sel(&db);
    sel.setSql("select *, hex(ParamName) as h, typeof(ParamName) as t from Options");
    sel.open();
    EXPECT_EQ(BlobToWide(sel.fieldByName("UserName")), text);
    EXPECT_EQ(sel.fieldByName("t").asString(), "blob");
    EXPECT_EQ(sel.fieldByName("h").asString(), "");
    EXPECT_EQ(BlobToWide(sel.fieldByName("ParamName")), "");
    EXPECT_EQ(BlobToWide(sel.fieldByName("Value")), "AB"); // odd length: zero high byte

    SqlParam copy("copy");
    FieldToParam(sel.fieldByName("Value"), copy);
    EXPECT_EQ(copy.asBytes(), QByteArray::fromHex("410042"));
    EXPECT_EQ(copy.type(), SqlParam::Type::Blob);
    EXPECT_THROW(BlobToWide(sel.fieldByName("t")), AppError);
}

TEST(TypedFieldText, BlobKindsAndEmptyWideTextStoresNull)
{
    ClientDataSet cds;
    cds.setFieldDefs({{"b", FieldType::Blob}, {"w", FieldType::WideString, 20}, {"d", FieldType::Date},
                      {"m", FieldType::Memo}});
    cds.createDataSet();
    cds.append();
    Field &b = cds.fieldByName("b");
    WideToFieldTyped(b, QString::fromUtf8("Ключ"), TqlTntTypeBlob::edsWideString);
    EXPECT_EQ(b.asBytes(), WideTextBytes(QString::fromUtf8("Ключ")));
    EXPECT_EQ(FieldToWideTyped(b, TqlTntTypeBlob::edsWideString), QString::fromUtf8("Ключ"));
    WideToFieldTyped(b, "", TqlTntTypeBlob::edsWideString);
    EXPECT_TRUE(b.isNull());
    WideToFieldTyped(b, QString::fromUtf8("Ключ"), TqlTntTypeBlob::edsString);
    EXPECT_EQ(b.asBytes(), QString::fromUtf8("Ключ").toUtf8());
    EXPECT_EQ(FieldToWideTyped(b, TqlTntTypeBlob::edsString), QString::fromUtf8("Ключ"));
    EXPECT_EQ(FieldDisplayTextWide(b), "(BLOB)");

    Field &w = cds.fieldByName("w");
    WideToFieldTyped(w, "", TqlTntTypeBlob::edsWideString);
    EXPECT_FALSE(w.isNull()); // only blobs store an empty text as null
    WideToField(w, QString::fromUtf8("Текст"));
    EXPECT_EQ(FieldToWideTyped(w, TqlTntTypeBlob::edsWideString), QString::fromUtf8("Текст"));
    EXPECT_EQ(FieldEditTextWide(w), QString::fromUtf8("Текст"));

    Field &d = cds.fieldByName("d");
    SetFieldEditTextWide(d, "15.03.2023");
    EXPECT_EQ(d.asInteger(), 45000);
    EXPECT_EQ(FieldDisplayTextWide(d), "15.03.2023");
    EXPECT_THROW(SetFieldEditTextWide(d, "31.02.2023"), AppError);
    EXPECT_EQ(FieldDisplayTextWide(cds.fieldByName("m")), "(memo)");
    cds.post();
}
