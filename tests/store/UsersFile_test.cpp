#include "StoreTestSupport.h"

#include "ggError.h"

#include <QDir>
#include <QFile>
#include <pugixml.hpp>

namespace {

const QString LostUsers = "Пользователи утрачены. Будет создан новый файл.";

QByteArray OpensslDeciphered(const QString &file)
{
    QByteArray plain;
    RunProgram("openssl", OpensslCipherArguments() + QStringList{"-d", "-in", file}, &plain);
    return plain;
}

class UsersFileTest : public StoreTest {
protected:
    QString usersFile() const { return dataFile("k.cod"); }
    TDM &restart()
    {
        module.reset();
        ResetAppState();
        prompts->clear();
        TDM &dm = makeModule();
        return dm;
    }
    QStringList userNames()
    {
        QStringList names;
        for (module->cdsUsers.first(); !module->cdsUsers.eof(); module->cdsUsers.next())
            names << module->cdsUsers.fieldByName("UserName").asString();
        return names;
    }
    QStringList setAsideFiles() const
    {
        return QDir(dataDir()).entryList({"k.cod.unreadable-*"}, QDir::Files, QDir::Name);
    }
};

} // namespace

TEST_F(UsersFileTest, MissingFileGivesAnEmptyUsersTableAndIsWrittenAtExit)
{
    TDM &dm = makeModule();
    dm.ReadUsersFile();
    ASSERT_EQ(prompts->texts(), QStringList{LostUsers});
    EXPECT_EQ(prompts->shown()[0].icon, Prompt::Information);
    EXPECT_EQ(prompts->shown()[0].buttons, Prompt::Ok);
    EXPECT_EQ(App().NumberRangeMin, 0u);
    EXPECT_EQ(App().NumberRangeMax, 0u);
    EXPECT_EQ(App().ArchiveFolder, "");
    EXPECT_FALSE(App().ArchiveAtStart);
    EXPECT_FALSE(App().ArchiveAtExit);
    EXPECT_TRUE(dm.cdsUsers.isActive());
    EXPECT_TRUE(dm.cdsUsers.isEmpty());
    EXPECT_TRUE(setAsideFiles().isEmpty());
    EXPECT_FALSE(QFile::exists(usersFile()));

    module.reset(); // the data module writes k.cod when it goes
    const QByteArray plain = OpensslDeciphered(usersFile());
    pugi::xml_document packet;
    ASSERT_TRUE(packet.load_buffer(plain.constData(), size_t(plain.size())));
    EXPECT_STREQ(packet.document_element().name(), "DATAPACKET");
    EXPECT_TRUE(packet.document_element().child("METADATA").child("FIELDS"));

    restart().ReadUsersFile();
    EXPECT_TRUE(prompts->texts().isEmpty());
    EXPECT_TRUE(userNames().isEmpty());
}

TEST_F(UsersFileTest, UsersAndSettingsComeBackWithCyrillicNames)
{
    TDM &dm = makeModule();
    dm.ReadUsersFile();
    for (const char *name : {"Администратор", "Пётр Иванов \"мл.\" <&>"}) {
        dm.cdsUsers.append();
        dm.cdsUsers.fieldByName("UserName").setValue(QString::fromUtf8(name));
        dm.cdsUsers.fieldByName("Password").setValue(QByteArray("D41D8CD98F00B204E9800998ECF8427E"));
        dm.cdsUsers.post();
    }
    dm.cdsK.edit();
    dm.cdsK.fieldByName("ReferMin").setValue(100);
    dm.cdsK.fieldByName("ReferMax").setValue(200);
    dm.cdsK.fieldByName("ArchPatch").setValue(QString::fromUtf8("/home/op/Архив"));
    dm.cdsK.fieldByName("endSave").setValue(true);
    // left in edit state: saving finishes the edit
    dm.SaveAll();
    EXPECT_FALSE(dm.cdsK.isEditing());
    EXPECT_TRUE(OpensslDeciphered(usersFile()).contains("Пётр Иванов"));

    restart().ReadUsersFile();
    EXPECT_TRUE(prompts->texts().isEmpty());
    EXPECT_EQ(userNames(), (QStringList{"Администратор", "Пётр Иванов \"мл.\" <&>"}));
    module->cdsUsers.first();
    EXPECT_EQ(module->cdsUsers.fieldByName("id").asInteger(), 1);
    EXPECT_EQ(module->cdsUsers.fieldByName("Password").asBytes(), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(App().NumberRangeMin, 100u);
    EXPECT_EQ(App().NumberRangeMax, 200u);
    EXPECT_EQ(App().ArchiveFolder, "/home/op/Архив");
    EXPECT_FALSE(App().ArchiveAtStart);
    EXPECT_TRUE(App().ArchiveAtExit);
}

TEST_F(UsersFileTest, AFileFromAnExistingWorkstationIsRead)
{
    WriteWholeFile(usersFile(), Enciphered(ReadWholeFile(FixturePath("datapacket/k-users.xml"))));
    makeModule().ReadUsersFile();
    EXPECT_TRUE(prompts->texts().isEmpty());
    EXPECT_EQ(App().NumberRangeMin, 100001u);
    EXPECT_EQ(App().NumberRangeMax, 100500u);
    EXPECT_EQ(App().ArchiveFolder, "/home/op/Архив");
    EXPECT_EQ(userNames(), (QStringList{"Администратор", "Иванов \"И.И.\""}));
}

TEST_F(UsersFileTest, AnUnreadableFileIsSetAsideBeforeANewOneIsMade)
{
    const QByteArray workstation = ReadWholeFile(FixturePath("datapacket/k-users.xml"));
    const qsizetype rowsStart = workstation.indexOf("<ROWDATA>");
    const QByteArray fields = workstation.left(rowsStart);
    QByteArray deep = workstation;
    deep.replace("<FIELD attrname=\"Password\" fieldtype=\"bin.hex\" SUBTYPE=\"Binary\" WIDTH=\"32\"/>",
                 QByteArray("<FIELD attrname=\"x\" fieldtype=\"nested\"><FIELDS>").repeated(15000)
                     + QByteArray("</FIELDS></FIELD>").repeated(15000));
    QByteArray onlyDeleted = workstation;
    onlyDeleted.replace("<ROW RowState=\"4\"", "<ROW RowState=\"2\"");
    static const char kNotOurs[] = "\x13\x99garbage that deciphers to nothing\x00\xff";
    struct Case {
        const char *name;
        QByteArray content;
        const char *reason; // in the journal line
    } cases[] = {
        {"not enciphered by us", QByteArray(kNotOurs, sizeof kNotOurs - 1), "at offset"},
        {"no settings fields",
         Enciphered("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"n\" fieldtype=\"i4\"/></FIELDS>"
                    "</METADATA><ROWDATA/></DATAPACKET>"),
         "no users-and-settings record"},
        {"fields nested 15,000 deep", Enciphered(deep), "deeper than"},
        {"no settings row", Enciphered(fields + "<ROWDATA></ROWDATA></DATAPACKET>"), "no settings row"},
        {"only a deleted settings row", Enciphered(onlyDeleted), "no settings row"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        module.reset();
        for (const QString &old : setAsideFiles())
            QFile::remove(dataDir() + "/" + old);
        WriteWholeFile(usersFile(), c.content);
        journal.sink().clear();
        TDM &dm = restart();
        dm.ReadUsersFile();
        EXPECT_EQ(prompts->texts(), QStringList{LostUsers});
        ASSERT_EQ(setAsideFiles(), QStringList{"k.cod.unreadable-20260315-093005"});
        EXPECT_EQ(ReadWholeFile(dataDir() + "/" + setAsideFiles()[0]), c.content);
        const auto records = journal.sink().withId(EventId::Diagnostic);
        ASSERT_EQ(records.size(), 1);
        EXPECT_EQ(records[0].strings[0], usersFile());
        EXPECT_TRUE(records[0].strings[1].contains(c.reason)) << records[0].strings[1].toStdString();
        EXPECT_TRUE(records[0].strings[2].endsWith("k.cod.unreadable-20260315-093005"));
        EXPECT_EQ(App().NumberRangeMax, 0u);

        module.reset();
        restart().ReadUsersFile();
        EXPECT_TRUE(prompts->texts().isEmpty()) << "the new file is readable";
        EXPECT_TRUE(userNames().isEmpty());
    }
}

TEST_F(UsersFileTest, NothingIsWrittenWhileStopping)
{
    TDM &dm = makeModule();
    dm.ReadUsersFile();
    App().StopFlag = true;
    module.reset();
    EXPECT_FALSE(QFile::exists(usersFile()));

    WriteWholeFile(usersFile(), Enciphered(ReadWholeFile(FixturePath("datapacket/k-users.xml"))));
    const QByteArray before = ReadWholeFile(usersFile());
    TDM &again = restart();
    again.ReadUsersFile();
    again.cdsUsers.first();
    again.cdsUsers.deleteRecord();
    App().StopFlag = true;
    again.SaveAll();
    module.reset();
    EXPECT_EQ(ReadWholeFile(usersFile()), before);

    // A data module that never read k.cod does not overwrite it either.
    restart();
    module.reset();
    EXPECT_EQ(ReadWholeFile(usersFile()), before);
}

TEST_F(UsersFileTest, ANegativeRangeEndsTheStartUp)
{
    QByteArray packet = ReadWholeFile(FixturePath("datapacket/k-users.xml"));
    packet.replace("ReferMin=\"100001\"", "ReferMin=\"-1\"");
    WriteWholeFile(usersFile(), Enciphered(packet));
    TDM &dm = makeModule();
    try {
        dm.ReadUsersFile();
        ADD_FAILURE() << "a negative range was taken";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), "Range check error");
    }
}
