#include "ClientDataSet.h"
#include "DataPacket.h"
#include "TestSupport.h"
#include "ggError.h"

#include <gtest/gtest.h>

namespace {

QList<FieldDef> SettingsFields()
{
    return {
        {"ReferMin", FieldType::Integer},
        {"ReferMax", FieldType::Integer},
        {"ArchPatch", FieldType::WideString, 512},
        {"beginSave", FieldType::Boolean},
        {"endSave", FieldType::Boolean},
        {"u", FieldType::Nested, 0, false,
         {{"id", FieldType::AutoInc}, {"UserName", FieldType::WideString, 64, true}, {"Password", FieldType::Blob, 32}}},
    };
}

void AddUser(ClientDataSet &users, const QString &name, const QByteArray &password)
{
    users.append();
    users.fieldByName("UserName").setValue(name);
    users.fieldByName("Password").setValue(password);
    users.post();
}

QStringList UserNames(ClientDataSet &users)
{
    QStringList names;
    for (users.first(); !users.eof(); users.next())
        names << users.fieldByName("UserName").asString();
    return names;
}

// Field definitions that nest Depth levels deep: a nested field "n" inside
// each level, and an integer at the bottom.
QByteArray NestedFieldChain(int depth)
{
    const QByteArray open = "<FIELD attrname=\"n\" fieldtype=\"nested\"><FIELDS>";
    const QByteArray close = "</FIELDS><PARAMS/></FIELD>";
    return open.repeated(depth - 1) + "<FIELD attrname=\"v\" fieldtype=\"i4\"/>" + close.repeated(depth - 1);
}

QList<FieldDef> NestedDefChain(int depth)
{
    QList<FieldDef> defs{{"v", FieldType::Integer}};
    for (int level = 1; level < depth; ++level)
        defs = {{"n", FieldType::Nested, 0, false, defs}};
    return defs;
}

} // namespace

TEST(ClientDataSet, AppendEditPostCancelDeleteAndAutoIncrement)
{
    ClientDataSet users;
    users.setFieldDefs(SettingsFields().last().nested);
    users.createDataSet();
    EXPECT_THROW(users.fieldByName("UserName").setValue("x"), AppError); // not editing
    AddUser(users, "admin", "A");
    AddUser(users, "clerk", "B");
    EXPECT_EQ(users.fieldByName("id").asInteger(), 2);

    users.append();
    EXPECT_THROW(users.post(), AppError); // UserName is required
    users.cancel();
    EXPECT_EQ(users.recordCount(), 2);

    users.first();
    users.edit();
    users.fieldByName("UserName").setValue("root");
    EXPECT_EQ(users.rowValue(0, 1).toString(), "root"); // views see the pending edit
    users.cancel();
    EXPECT_EQ(users.fieldByName("UserName").asString(), "admin");

    users.edit();
    users.fieldByName("UserName").setValue("root");
    users.next(); // moving posts the pending edit
    EXPECT_EQ(users.rowValue(0, 1).toString(), "root");

    users.deleteRecord();
    EXPECT_EQ(users.recordCount(), 1);
    AddUser(users, "third", "C");
    EXPECT_EQ(users.fieldByName("id").asInteger(), 2); // the highest id in use + 1
    EXPECT_TRUE(users.locate("UserName", "root"));
    EXPECT_EQ(users.fieldByName("id").asInteger(), 1);

    users.close();
    users.open(); // close keeps the rows
    EXPECT_EQ(users.recordCount(), 2);
    users.emptyDataSet();
    EXPECT_TRUE(users.isEmpty());
}

TEST(ClientDataSet, NestedRowsLiveInsideTheirMasterRow)
{
    ClientDataSet settings;
    settings.setFieldDefs(SettingsFields());
    ClientDataSet &users = settings.nestedDataSet("u");
    EXPECT_FALSE(users.isActive());
    settings.createDataSet();
    EXPECT_TRUE(users.isActive());
    EXPECT_THROW(users.append(), AppError); // no master row yet

    settings.append();
    settings.fieldByName("ReferMin").setValue(1);
    AddUser(users, "a1", "");
    AddUser(users, "a2", "");
    settings.post();
    settings.append();
    settings.fieldByName("ReferMin").setValue(2);
    settings.post();
    EXPECT_TRUE(users.isEmpty());
    AddUser(users, "b1", "");

    settings.first();
    EXPECT_EQ(UserNames(users), (QStringList{"a1", "a2"}));
    settings.last();
    EXPECT_EQ(UserNames(users), (QStringList{"b1"}));
    EXPECT_EQ(users.fieldByName("id").asInteger(), 1); // numbered within its master row

    // A detail edit left pending is posted to the row it belongs to.
    settings.first();
    users.first();
    users.edit();
    users.fieldByName("UserName").setValue("a1 changed");
    settings.last();
    settings.first();
    EXPECT_EQ(UserNames(users), (QStringList{"a1 changed", "a2"}));

    settings.deleteRecord();
    EXPECT_EQ(UserNames(users), (QStringList{"b1"}));
    settings.close();
    EXPECT_FALSE(users.isActive());
    EXPECT_THROW(settings.nestedDataSet("ReferMin"), AppError);
}

TEST(DataPacket, RoundTripKeepsCyrillicNestedRowsNullAndEmpty)
{
    ClientDataSet settings;
    settings.setFieldDefs(SettingsFields() + QList<FieldDef>{{"Weight", FieldType::Float},
                                                             {"Day", FieldType::Date},
                                                             {"Stamp", FieldType::DateTime},
                                                             {"Note", FieldType::Memo},
                                                             {"Code", FieldType::String, 10}});
    ClientDataSet &users = settings.nestedDataSet("u");
    settings.createDataSet();
    settings.append();
    settings.fieldByName("ReferMin").setValue(-5);
    settings.fieldByName("ReferMax").setValue(2147483647);
    settings.fieldByName("ArchPatch").setValue(QString::fromUtf8("C:\\Архив \"копии\" & <всё>\r\nвторая"));
    settings.fieldByName("beginSave").setValue(true);
    settings.fieldByName("endSave").setValue(false);
    settings.fieldByName("Weight").setValue(12.5);
    settings.fieldByName("Day").setValue(45000);
    settings.fieldByName("Stamp").setValue(45000.5);
    settings.fieldByName("Note").setValue("");
    AddUser(users, QString::fromUtf8("Администратор"), QByteArray("\x00\x01\xff", 3));
    AddUser(users, QString::fromUtf8("Ёжиков"), QByteArray());
    settings.post();
    settings.append();
    settings.fieldByName("ReferMin").setValue(7);
    settings.post();

    const QByteArray packet = SaveDataPacket(settings);
    EXPECT_TRUE(packet.startsWith("<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA>"))
        << packet.toStdString();
    EXPECT_TRUE(packet.contains("<FIELD attrname=\"ArchPatch\" fieldtype=\"string.uni\" WIDTH=\"1024\"/>"));
    EXPECT_TRUE(packet.contains("<FIELD attrname=\"u\" fieldtype=\"nested\"><FIELDS>"));
    EXPECT_TRUE(packet.contains("<u><ROWu RowState=\"4\" id=\"1\""));
    EXPECT_TRUE(packet.contains("Day=\"20230315\""));
    EXPECT_TRUE(packet.contains("Stamp=\"20230315T12:00:00000\""));

    ClientDataSet loaded;
    ClientDataSet &loadedUsers = loaded.nestedDataSet("u");
    LoadDataPacket(loaded, packet);
    ASSERT_EQ(loaded.recordCount(), 2);
    loaded.first();
    EXPECT_EQ(loaded.fieldByName("ReferMin").asInteger(), -5);
    EXPECT_EQ(loaded.fieldByName("ReferMax").asInteger(), 2147483647);
    EXPECT_EQ(loaded.fieldByName("ArchPatch").asString(), QString::fromUtf8("C:\\Архив \"копии\" & <всё>\r\nвторая"));
    EXPECT_EQ(loaded.fieldByName("ArchPatch").size(), 512);
    EXPECT_TRUE(loaded.fieldByName("beginSave").asBoolean());
    EXPECT_FALSE(loaded.fieldByName("endSave").isNull());
    EXPECT_DOUBLE_EQ(loaded.fieldByName("Weight").asFloat(), 12.5);
    EXPECT_EQ(loaded.fieldByName("Day").asInteger(), 45000);
    EXPECT_DOUBLE_EQ(loaded.fieldByName("Stamp").asFloat(), 45000.5);
    EXPECT_FALSE(loaded.fieldByName("Note").isNull()); // empty, not null
    EXPECT_TRUE(loaded.fieldByName("Code").isNull());
    EXPECT_EQ(UserNames(loadedUsers), (QStringList{QString::fromUtf8("Администратор"), QString::fromUtf8("Ёжиков")}));
    loadedUsers.first();
    EXPECT_EQ(loadedUsers.fieldByName("Password").asBytes(), QByteArray("\x00\x01\xff", 3));
    EXPECT_EQ(loadedUsers.fieldByName("id").type(), FieldType::AutoInc);
    EXPECT_TRUE(loadedUsers.fieldByName("UserName").required());
    loaded.next();
    EXPECT_TRUE(loadedUsers.isEmpty());
    EXPECT_EQ(SaveDataPacket(loaded), packet);
}

TEST(DataPacket, ReadsAHandWrittenSettingsFile)
{
    ClientDataSet settings;
    ClientDataSet &users = settings.nestedDataSet("u");
    LoadDataPacket(settings, ReadWholeFile(FixturePath("datapacket/k-users.xml")));
    ASSERT_EQ(settings.recordCount(), 1);
    EXPECT_EQ(settings.fieldByName("ReferMin").asInteger(), 100001);
    EXPECT_EQ(settings.fieldByName("ReferMax").asInteger(), 100500);
    EXPECT_EQ(settings.fieldByName("ArchPatch").asString(), QString::fromUtf8("/home/op/Архив"));
    EXPECT_FALSE(settings.fieldByName("beginSave").asBoolean());
    EXPECT_TRUE(settings.fieldByName("endSave").asBoolean());
    EXPECT_EQ(UserNames(users), (QStringList{QString::fromUtf8("Администратор"), QString::fromUtf8("Иванов \"И.И.\"")}));
    users.first();
    EXPECT_EQ(users.fieldByName("Password").asBytes(), "21232F297A57A5A743894A0E4A801FC3");
    users.last();
    EXPECT_TRUE(users.fieldByName("Password").isNull());
    // New users get the next number.
    AddUser(users, "new", "");
    EXPECT_EQ(users.fieldByName("id").asInteger(), 3);
}

TEST(DataPacket, ChangeLogRowsAreApplied)
{
    const QByteArray packet =
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"n\" fieldtype=\"i4\"/>"
        "<FIELD attrname=\"s\" fieldtype=\"string\" WIDTH=\"5\"/></FIELDS><PARAMS/></METADATA><ROWDATA>"
        "<ROW RowState=\"1\" n=\"1\" s=\"old\"/><ROW RowState=\"8\" s=\"new\"/>"
        "<ROW RowState=\"2\" n=\"2\" s=\"gone\"/><ROW n=\"3\" s=\"\"/></ROWDATA></DATAPACKET>";
    ClientDataSet cds;
    LoadDataPacket(cds, packet);
    ASSERT_EQ(cds.recordCount(), 2);
    EXPECT_EQ(cds.fieldByName("s").asString(), "new");
    EXPECT_EQ(cds.fieldByName("n").asInteger(), 1);
    cds.last();
    EXPECT_EQ(cds.fieldByName("n").asInteger(), 3);
}

TEST(DataPacket, MalformedPacketsAreRefusedAndLeaveTheDatasetAlone)
{
    const QByteArray head = "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    const QByteArray intField = "<FIELD attrname=\"n\" fieldtype=\"i4\"/></FIELDS><PARAMS/></METADATA><ROWDATA>";
    const QList<QByteArray> bad = {
        "",
        "not xml at all",
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>",
        "<OTHER/>",
        "<DATAPACKET Version=\"2.0\"><ROWDATA/></DATAPACKET>",
        head + intField + "<ROW n=\"12x\"/></ROWDATA></DATAPACKET>",
        head + intField + "<ROW n=\"\"/></ROWDATA></DATAPACKET>",
        head + intField + "<ROW n=\" 12\"/></ROWDATA></DATAPACKET>",
        head + intField + "<ROW n=\"99999999999999999999\"/></ROWDATA></DATAPACKET>",
        head + intField + "<ROW RowState=\"x\" n=\"1\"/></ROWDATA></DATAPACKET>",
        head + "<FIELD attrname=\"n\" fieldtype=\"weird\"/></FIELDS></METADATA></DATAPACKET>",
        head + "<FIELD fieldtype=\"i4\"/></FIELDS></METADATA></DATAPACKET>",
        head + "<FIELD attrname=\"s\" fieldtype=\"string\" WIDTH=\"ten\"/></FIELDS></METADATA></DATAPACKET>",
        head + "<FIELD attrname=\"b\" fieldtype=\"boolean\"/></FIELDS></METADATA><ROWDATA><ROW b=\"yes\"/></ROWDATA></DATAPACKET>",
        head + "<FIELD attrname=\"p\" fieldtype=\"bin.hex\" SUBTYPE=\"Binary\"/></FIELDS></METADATA><ROWDATA><ROW p=\"@@@\"/></ROWDATA></DATAPACKET>",
        head + "<FIELD attrname=\"d\" fieldtype=\"date\"/></FIELDS></METADATA><ROWDATA><ROW d=\"20230230\"/></ROWDATA></DATAPACKET>",
        head + "<FIELD attrname=\"u\" fieldtype=\"nested\"/></FIELDS></METADATA></DATAPACKET>",
        // fields nested far deeper than any dataset of ours, once enough to overflow the stack
        head + NestedFieldChain(33) + "</FIELDS></METADATA><ROWDATA/></DATAPACKET>",
        head + NestedFieldChain(15000) + "</FIELDS></METADATA><ROWDATA/></DATAPACKET>",
        // a name twice at one level of a nested dataset, as at the top
        head + intField.left(intField.indexOf("</FIELDS>")) + "<FIELD attrname=\"N\" fieldtype=\"i4\"/>"
            + "</FIELDS></METADATA></DATAPACKET>",
        head + "<FIELD attrname=\"u\" fieldtype=\"nested\"><FIELDS><FIELD attrname=\"a\" fieldtype=\"i4\"/>"
            + "<FIELD attrname=\"a\" fieldtype=\"string\"/></FIELDS></FIELD></FIELDS></METADATA></DATAPACKET>",
        // a field that would be written as a second RowState attribute of its row
        head + "<FIELD attrname=\"RowState\" fieldtype=\"i4\"/></FIELDS></METADATA></DATAPACKET>",
        head + "<FIELD attrname=\"u\" fieldtype=\"nested\"><FIELDS><FIELD attrname=\"RowState\" fieldtype=\"i4\"/>"
            + "</FIELDS></FIELD></FIELDS></METADATA></DATAPACKET>",
    };
    ClientDataSet cds;
    LoadDataPacket(cds, head + intField + "<ROW n=\"1\"/></ROWDATA></DATAPACKET>");
    for (const QByteArray &packet : bad) {
        EXPECT_THROW(LoadDataPacket(cds, packet), AppError) << packet.toStdString();
        ASSERT_EQ(cds.recordCount(), 1);
        EXPECT_EQ(cds.fieldByName("n").asInteger(), 1);
    }
}

TEST(DataPacket, ExternalEntitiesAreNeverLoaded)
{
    const QByteArray packet = "<?xml version=\"1.0\"?><!DOCTYPE DATAPACKET [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                              "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"s\" fieldtype=\"string\"/>"
                              "</FIELDS></METADATA><ROWDATA><ROW s=\"&x;\"/></ROWDATA></DATAPACKET>";
    ClientDataSet cds;
    try {
        LoadDataPacket(cds, packet);
        EXPECT_FALSE(cds.fieldByName("s").asString().contains("root:"));
    } catch (const AppError &) {
        SUCCEED();
    }
}

TEST(DataPacket, DepthAndNamesAreBoundedOnWritingToo)
{
    ClientDataSet deepest;
    deepest.setFieldDefs(NestedDefChain(32));
    deepest.createDataSet();
    const QByteArray packet = SaveDataPacket(deepest);
    ClientDataSet read;
    LoadDataPacket(read, packet);
    EXPECT_EQ(SaveDataPacket(read), packet);

    struct Case {
        const char *name;
        QList<FieldDef> defs;
    };
    for (const Case &c : {Case{"too deep", NestedDefChain(33)},
                          Case{"RowState nested", {{"u", FieldType::Nested, 0, false, {{"RowState", FieldType::Integer}}}}}}) {
        SCOPED_TRACE(c.name);
        ClientDataSet cds;
        cds.setFieldDefs(c.defs);
        cds.createDataSet();
        EXPECT_THROW(SaveDataPacket(cds), AppError);
    }
}
