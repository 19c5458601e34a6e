#include "StoreTestSupport.h"

#include <QFile>

namespace {

// Enciphers a file with the openssl command line.
QByteArray OpensslEnciphered(const QString &dir, const QByteArray &plain)
{
    const QString in = dir + "/plain.xml", out = dir + "/i.cod.openssl";
    WriteWholeFile(in, plain);
    QFile::remove(out);
    RunProgram("openssl", OpensslCipherArguments() + QStringList{"-in", in, "-out", out});
    return ReadWholeFile(out);
}

QStringList ToolArguments(const QString &out, const QStringList &changes = {})
{
    return QStringList{"--out", out, "--chamber", "7", "--workstation", "3", "--key",
                       QString::fromUtf8(TestChamberKey), "--adr", "cdb.example.org", "--port", "8443",
                       "--users-old", "False", "--ver", "2", "--lang", "ru", "ТПП \"Город\"", "Город",
                       "--lang", "en", "CCI of Town", "Town"}
        + changes;
}

class WorkstationFileTest : public StoreTest {
protected:
    void expectRefused(const QString &expected)
    {
        EXPECT_TRUE(App().StopFlag);
        ASSERT_EQ(prompts->texts().size(), 1);
        EXPECT_EQ(prompts->texts()[0], "проблема с файлом " + dataFile("i.cod") + "\r" + expected);
        EXPECT_EQ(prompts->shown()[0].caption, "Tessal");
        EXPECT_EQ(prompts->shown()[0].icon, Prompt::Error);
        const auto records = journal.sink().withId(EventId::ExceptionCaught);
        ASSERT_EQ(records.size(), 1);
        EXPECT_TRUE(records[0].strings[0].endsWith("DataTessal.TDM.DataModuleCreate"));
        EXPECT_EQ(records[0].strings[1], expected);
        EXPECT_EQ(App().ChamberNumber, 0) << "nothing of a refused file is taken";
    }
    void expectAccepted(const TDM &dm)
    {
        EXPECT_FALSE(App().StopFlag);
        EXPECT_TRUE(prompts->texts().isEmpty());
        EXPECT_EQ(App().ICodVersion, 2u);
        EXPECT_EQ(App().ChamberNumber, 7);
        EXPECT_EQ(App().WorkstationNumber, 3);
        EXPECT_EQ(App().ChamberKey, TestChamberKey);
        EXPECT_EQ(App().ServerUrl, "cdb.example.org");
        EXPECT_EQ(App().ServerPort, 8443);
        EXPECT_FALSE(App().UsersOldFlag);
        EXPECT_EQ(dm.WorkstationLabel(), "АРМ 3");
        ASSERT_EQ(dm.Languages().size(), 2);
        EXPECT_EQ(dm.Languages()[0].LangSymb, "ru");
        EXPECT_EQ(dm.Languages()[0].dovName, "ТПП \"Город\"");
        EXPECT_EQ(dm.Languages()[0].dovCity, "Город");
        EXPECT_EQ(dm.Languages()[1].LangSymb, "en");
        EXPECT_EQ(dm.Languages()[1].dovCity, "Town");
    }
    void restart()
    {
        module.reset();
        ResetAppState();
        prompts->clear();
        journal.sink().clear();
    }
};

} // namespace

TEST_F(WorkstationFileTest, FilesFromTheToolAndFromOpensslAreRead)
{
    {
        // The file holds the chamber key: a new one is its owner's only.
        const ScopedUmask usual(022);
        QFile::remove(dataFile("i.cod"));
        ASSERT_EQ(RunProgram(BuiltProgram("MakeICod"), ToolArguments(dataFile("i.cod"))), 0);
        EXPECT_EQ(FilePermissions(dataFile("i.cod")), 0600);
    }
    expectAccepted(makeModule());

    restart();
    writeWorkstationFile(OpensslEnciphered(home.path(), WorkstationXml()));
    expectAccepted(makeModule());

    restart();
    writeWorkstationFile(Enciphered("<icod Name=\"i.cod\" Ver=\"0\"><for>TessalForm</for><dovNumber>1</dovNumber>"
                                    "<NumLocale>2</NumLocale><dovKey/><adr/><port>1</port><usersOld>True</usersOld></icod>"));
    TDM &dm = makeModule();
    EXPECT_FALSE(App().StopFlag);
    EXPECT_TRUE(App().UsersOldFlag);
    EXPECT_TRUE(App().ChamberKey.isEmpty());
    EXPECT_TRUE(dm.Languages().isEmpty());
}

TEST_F(WorkstationFileTest, FaultyFilesAreRefusedWithTheirTexts)
{
    struct Case {
        const char *what;
        QByteArray xml;
        QString expected;
    } cases[] = {
        {"wrong Name", WorkstationXml("Name=\"x.cod\" Ver=\"2\""), "i.cod Name = x.cod"},
        {"no Name", WorkstationXml("Ver=\"2\""), "i.cod Name = "},
        {"negative Ver", WorkstationXml("Name=\"i.cod\" Ver=\"-1\""), "Range check error"},
        {"Ver not a number", WorkstationXml("Name=\"i.cod\" Ver=\"2a\""), "'2a' is not a valid integer value"},
        {"another program", WorkstationXml(), "Этот i.cod предназначен для другой программы"},
        {"no for", WorkstationXml("Name=\"i.cod\" Ver=\"2\"", ""), "Этот i.cod предназначен для другой программы"},
        {"bad port", WorkstationXml("Name=\"i.cod\" Ver=\"2\"", "<for>TessalForm</for>", "<port>84 43</port>"),
         "'84 43' is not a valid integer value"},
        {"no port", WorkstationXml("Name=\"i.cod\" Ver=\"2\"", "<for>TessalForm</for>", ""),
         "Node \"port\" not found"},
        {"no usersOld", WorkstationXml("Name=\"i.cod\" Ver=\"2\"", "<for>TessalForm</for>", "<port>1</port>", ""),
         "Node \"usersOld\" not found"},
        {"bad usersOld",
         WorkstationXml("Name=\"i.cod\" Ver=\"2\"", "<for>TessalForm</for>", "<port>1</port>", "<usersOld>yes</usersOld>"),
         "'yes' is not a valid boolean value"},
    };
    cases[4].xml.replace("<for>TessalForm</for>", "<for>OtherForm</for>");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        restart();
        writeWorkstationFile(OpensslEnciphered(home.path(), c.xml));
        makeModule();
        expectRefused(c.expected);
    }

    // The same refusals for files the tool makes.
    const struct {
        QStringList changes;
        QString expected;
    } toolCases[] = {
        {{"--port", "http"}, "'http' is not a valid integer value"},
        {{"--ver", "-3"}, "Range check error"},
        {{"--chamber", "99999999999"}, "'99999999999' is not a valid integer value"},
    };
    for (const auto &c : toolCases) {
        SCOPED_TRACE(c.expected.toStdString());
        restart();
        ASSERT_EQ(RunProgram(BuiltProgram("MakeICod"), ToolArguments(dataFile("i.cod"), c.changes)), 0);
        makeModule();
        expectRefused(c.expected);
    }
}

// A key the programs cannot encipher with would make every enciphered file
// (the offline exchange file, the restore file) fail long after the
// workstation was set up; the tool refuses it and writes nothing.
TEST_F(WorkstationFileTest, TheToolRefusesAKeyTheProgramsCannotEncipherWith)
{
    const struct {
        const char *what;
        QString key;
        QString refusal; // empty: accepted
    } cases[] = {
        {"twelve characters", QStringLiteral("DEMO-KEY-7-1"), QStringLiteral("Ключ шифрования короче 32 байт (12)")},
        {"31 bytes", QString(31, QLatin1Char('k')), QStringLiteral("Ключ шифрования короче 32 байт (31)")},
        {"16 letters of 2 bytes", QStringLiteral("ключ").repeated(4), {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        restart();
        QFile::remove(dataFile("i.cod"));
        QProcess tool;
        tool.start(BuiltProgram("MakeICod"), ToolArguments(dataFile("i.cod"), {"--key", c.key}));
        ASSERT_TRUE(tool.waitForFinished(60000)) << "MakeICod did not finish in 60 s";
        const QString errors = QString::fromUtf8(tool.readAllStandardError());
        if (!c.refusal.isEmpty()) {
            EXPECT_EQ(tool.exitCode(), 1);
            EXPECT_EQ(errors.trimmed(), "--key: " + c.refusal);
            EXPECT_FALSE(QFile::exists(dataFile("i.cod")));
            continue;
        }
        ASSERT_EQ(tool.exitCode(), 0) << errors.toStdString();
        makeModule();
        EXPECT_FALSE(App().StopFlag);
        EXPECT_EQ(App().ChamberKey, c.key.toUtf8());
        QByteArray data("enciphered with the chamber key");
        EXPECT_NO_THROW(EncryptStream(data, App().ChamberKey));
    }
}

TEST_F(WorkstationFileTest, MissingAndUnreadableFilesAreRefused)
{
    for (const QByteArray &content : {QByteArray(), QByteArray("not enciphered <xml/>"), WorkstationXml()}) {
        restart();
        if (content.isNull())
            QFile::remove(dataFile("i.cod"));
        else
            writeWorkstationFile(content); // plain text deciphers to noise
        makeModule();
        EXPECT_TRUE(App().StopFlag);
        ASSERT_EQ(prompts->texts().size(), 1);
        EXPECT_TRUE(prompts->texts()[0].startsWith("проблема с файлом " + dataFile("i.cod") + "\r"));
        if (content.isNull()) { // the operator is told why
            EXPECT_TRUE(prompts->texts()[0].endsWith(QStringLiteral("Нет такого файла или папки.")))
                << prompts->texts()[0].toStdString();
        }
    }
}

TEST_F(WorkstationFileTest, ExternalEntitiesAreNotLoaded)
{
    WriteWholeFile(home.filePath("secret.txt"), "secret-value");
    QByteArray xml = WorkstationXml();
    xml.replace("<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                "<?xml version=\"1.0\"?><!DOCTYPE icod [<!ENTITY x SYSTEM \"file://" + home.filePath("secret.txt").toUtf8() +
                    "\">]>");
    xml.replace("<adr>cdb.example.org</adr>", "<adr>&x;</adr>");
    writeWorkstationFile(Enciphered(xml));
    makeModule();
    EXPECT_FALSE(App().ServerUrl.contains("secret-value"));
}
