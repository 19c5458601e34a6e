// Restavo's posting operations (the day walk to /save, the attached files to
// /upload) and the update download, run by the real program against the fake
// central database server.
#include "DatabaseOptions.h"
#include "DatabaseSchema.h"
#include "FakeCentralServer.h"
#include "RestavoWorkstation.h"
#include "SqliteDatabase.h"
#include "WorkstationFile.h"
#include "ZipArchive.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <sys/stat.h>

namespace {
using namespace restavo_run;

constexpr qint64 D = 45000;
const QByteArray kSaved = "<answer><status>0</status><status-text>ok</status-text></answer>";

// A program folder whose database holds certificates and whose server of the
// chain (params.txt) is Server.
struct PostingDesk : Workstation {
    FakeCentralServer server;

    PostingDesk() : Workstation(1)
    {
        SqliteDatabase db(file("Tessal.sqb"));
        for (const QString &sql : Schema::CertificateTables())
            db.exec(sql);
        db.exec(Schema::CreateOptions);
        write("params.txt", "127.0.0.1," + QByteArray::number(server.port()) + ",sync/cdb/");
    }
    void add(qint64 id, int status, qint64 lastDate, const QByteArray &referenceNo = {}) const
    {
        SqliteDatabase db(file("Tessal.sqb"));
        SqliteStatement insert(db, QStringLiteral("insert into mcod (id, STATUS, CertNo, ReferenceNo, Language, "
                                                  "DateIssued, Date11, Date12, LastDate, pFilter, actPresent14, fileComment13) "
                                                  "values (:id, :s, :c, :r, 'ru', :d, :d, :d, :d, 'TRUE', 0, "
                                                  ":comment)"));
        insert.bindInteger("id", id);
        insert.bindInteger("s", status);
        insert.bindInteger("c", id * 11);
        insert.bindText("r", referenceNo.isNull() ? QStringLiteral("600700%1").arg(id, 4, 10, QLatin1Char('0'))
                                                  : QString::fromUtf8(referenceNo));
        insert.bindInteger("d", lastDate);
        insert.bindWideBlob("comment", QStringLiteral("копия\r\nсчёта\x01"));
        insert.execute();
    }
    int status(qint64 id) const
    {
        SqliteDatabase db(file("Tessal.sqb"));
        SqliteStatement select(db, QStringLiteral("select STATUS from mcod where id = :id"));
        select.bindInteger("id", id);
        return select.step() ? int(select.columnInteger(0)) : -100;
    }
    QString copyName(qint64 id) const
    {
        return QStringLiteral("600700%1_%2").arg(id, 4, 10, QLatin1Char('0')).arg(id * 11, 7, 10, QLatin1Char('0'));
    }
    Message postDay(qint64 day) const
    {
        return run(8, {RestavoArgument::number(qint32(day)), RestavoArgument::text("1.4.1.6")});
    }
    Message postFile() const { return run(13, {RestavoArgument::number(0), RestavoArgument::text("1.4.1.6")}); }
    QList<FakeRequest> requestsTo(const QByteArray &path) const
    {
        QList<FakeRequest> found;
        for (const FakeRequest &r : server.requests())
            if (r.path() == path)
                found << r;
        return found;
    }
};

} // namespace

TEST(RestavoPosting, DayWalkPostsOnlyDaysWithCertificatesToSend)
{
    PostingDesk desk;
    desk.server.addRoute("POST", "/cdb/save", FakeAnswer::text(kSaved));
    desk.add(1, 6, D);     // a project only
    desk.add(2, 1, D + 2); // issued
    desk.add(3, 12, D + 4);
    desk.add(4, 6, D + 6);
    desk.add(5, 3, D + 6);

    EXPECT_EQ(desk.postDay(D), (Message {kReply, qint32(D + 3), 2}));
    EXPECT_EQ(desk.postDay(D + 3), (Message {kReply, qint32(D + 5), 2})); // status 12 only: nothing sent
    EXPECT_EQ(desk.postDay(D + 5), (Message {kReply, qint32(D + 7), 2}));
    EXPECT_EQ(desk.postDay(D + 7), (Message {kReply, -1, 2}));

    const QList<FakeRequest> saves = desk.requestsTo("/cdb/save");
    ASSERT_EQ(saves.size(), 2);
    EXPECT_TRUE(saves[0].body.startsWith("tppn=7&plcn=3&tppk=" + kKey + "&pver=1.4.1.6&certBody=%3C"));
    EXPECT_TRUE(saves[0].body.contains("600700" "0002"));
    EXPECT_FALSE(saves[0].body.contains("600700" "0001"));
    EXPECT_TRUE(saves[1].body.contains("600700" "0005"));
    EXPECT_FALSE(saves[1].body.contains("600700" "0004"));
    EXPECT_TRUE(desk.read("send_sync.xml").contains("6007000005"));
    EXPECT_EQ(desk.read("send_sync.xml"), desk.read("full_sync.xml"));
    // Each answer is journalled as information, not as an audit line.
    const QString answer = "4,4: [TSim.ExecutePostDay] ответ сервера на отправку = " + QString::fromUtf8(kSaved);
    EXPECT_EQ(desk.records("0x40000101").filter("ответ сервера").join('\n').toStdString(),
              QStringList({answer, answer}).join('\n').toStdString());
}

// The server files a posted day under the chamber and workstation the
// packet's root names: those of the workstation file Restavo runs with.
TEST(RestavoPosting, PostedPacketNamesTheWorkstationOfTheWorkstationFile)
{
    PostingDesk desk;
    desk.write("i.cod", WorkstationFileOf(3, 1, "TessalForm", 5));
    const WorkstationFile workstation = ReadWorkstationFile(desk.file("i.cod"));
    ASSERT_EQ(workstation.dovNumber, 5);
    ASSERT_EQ(workstation.NumLocale, 3);
    desk.server.addRoute("POST", "/cdb/save", FakeAnswer::text(kSaved));
    desk.add(1, 1, D);

    const QDate before = QDate::currentDate();
    EXPECT_EQ(desk.postDay(D), (Message {kReply, qint32(D + 1), 2}));
    const QDate after = QDate::currentDate();

    const QList<FakeRequest> saves = desk.requestsTo("/cdb/save");
    ASSERT_EQ(saves.size(), 1);
    const QByteArray body = saves[0].body;
    EXPECT_TRUE(body.startsWith("tppn=5&plcn=3&tppk=" + kKey + "&pver=1.4.1.6&certBody=")) << body.left(80).constData();
    QByteArray packet = body.mid(body.indexOf("&certBody=") + 10);
    packet = QByteArray::fromPercentEncoding(packet.replace('+', ' '));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_buffer(packet.constData(), size_t(packet.size()))) << packet.left(200).constData();
    const pugi::xml_node root = document.document_element();
    ASSERT_STREQ(root.name(), "dataPacket");
    QStringList attributes;
    for (const pugi::xml_attribute attribute : root.attributes())
        attributes << QString::fromUtf8(attribute.name()) + '=' + QString::fromUtf8(attribute.value());
    const QString created = attributes.value(7);
    EXPECT_EQ(attributes.join(' ').toStdString(),
              (QStringList {"version=2.0", "name=TessalForm", "Program=TessalCert.exe", "ProgramVersion=6",
                            "ProgramFullVersion=1.4.1.6", "NumDOV=" + QString::number(workstation.dovNumber),
                            "NumARM=" + QString::number(workstation.NumLocale), created})
                  .join(' ')
                  .toStdString());
    EXPECT_TRUE(created == "DateOfCreate=" + before.toString("dd.MM.yyyy")
                || created == "DateOfCreate=" + after.toString("dd.MM.yyyy"))
        << created.toStdString();
    EXPECT_EQ(root.child("row").attribute("referenceNo").as_string(), std::string("6007000001"));
}

TEST(RestavoPosting, SaveAnswersDecideTheResult)
{
    struct Row {
        const char *name;
        FakeAnswer answer;
        qint32 result;
        int refusalRecords;
    };
    FakeAnswer missing = FakeAnswer::text("<html>no</html>");
    missing.status = 404;
    const Row rows[] = {
        {"taken", FakeAnswer::text(kSaved), qint32(D + 1), 0},
        {"some refused", FakeAnswer::text("<answer><status>1</status></answer>"), qint32(D + 1), 1},
        {"refused", FakeAnswer::text("<answer><status>2</status></answer>"), -3, 1},
        {"not XML", FakeAnswer::text("status 0"), -3, 0},
        {"without status", FakeAnswer::text("<answer/>"), -3, 0},
        {"not found", missing, -3, 1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        PostingDesk desk;
        desk.server.addRoute("POST", "/cdb/save", row.answer);
        desk.add(1, 1, D);
        EXPECT_EQ(desk.postDay(D), (Message {kReply, row.result, 2})) << desk.records("0x40000101").join("\n").toStdString();
        EXPECT_EQ(desk.records("0x40007500").size(), row.refusalRecords);
        if (row.result == -3)
            EXPECT_TRUE(desk.records("0x40000101").join('\n').contains("[TSim.ExecutePostDay] ошибка = ")
                        || row.refusalRecords == 1);
    }
}

TEST(RestavoPosting, AttachedFilesGoOneByOneAndLeaveStatusSeven)
{
    PostingDesk desk;
    desk.server.addRoute("POST", "/cdb/upload",
                         FakeAnswer::text("<answer><certificate status=\"0\"/></answer>"));
    desk.add(1, 5, D);
    desk.add(2, 5, D);
    desk.add(3, 1, D);
    desk.write(desk.copyName(1), "first copy");
    desk.write(desk.copyName(2), QByteArray(70000, 'x'));

    EXPECT_EQ(desk.postFile(), (Message {kReply, 5, 2}));
    EXPECT_EQ(desk.postFile(), (Message {kReply, 5, 2}));
    EXPECT_EQ(desk.postFile(), (Message {kReply, -1, 2}));
    EXPECT_EQ(desk.status(1), 7);
    EXPECT_EQ(desk.status(2), 7);
    EXPECT_EQ(desk.status(3), 1);
    EXPECT_FALSE(desk.exists(desk.copyName(1)));
    EXPECT_FALSE(desk.exists(desk.copyName(2)));
    const QString answer = QStringLiteral("4,4: [TSim.ExecutePostFile] ответ сервера на отправку = "
                                          "<answer><certificate status=\"0\"/></answer>");
    EXPECT_EQ(desk.records("0x40000101").filter("ответ сервера").join('\n').toStdString(),
              QStringList({answer, answer}).join('\n').toStdString());

    const QList<FakeRequest> uploads = desk.requestsTo("/cdb/upload");
    ASSERT_EQ(uploads.size(), 2);
    const FakeRequest &first = uploads[0];
    EXPECT_EQ(first.header("Content-Length"), QByteArray::number(first.body.size()));
    EXPECT_FALSE(first.hasHeader("Expect"));
    const QByteArray type = first.header("Content-Type");
    ASSERT_TRUE(type.startsWith("multipart/form-data; boundary=")) << type.constData();
    const QByteArray b = "--" + type.mid(30);
    auto field = [&](const char *name, const QByteArray &value) {
        return b + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
    };
    const QByteArray expected = field("tppn", "7") + field("plcn", "3") + field("tppk", kKey)
        + field("pver", "1.4.1.6") + field("referenceNo", "6007000001") + field("blankNo", "11")
        + field("comment", QStringLiteral("копия\r\nсчёта").toUtf8()) + b
        + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + desk.copyName(1).toUtf8()
        + "\"\r\nContent-Type: application/octet-stream\r\n\r\nfirst copy\r\n" + b + "--\r\n";
    EXPECT_EQ(first.body, expected);
    EXPECT_EQ(uploads[1].body.size(), uploads[1].header("Content-Length").toLongLong());
    EXPECT_TRUE(uploads[1].body.contains(QByteArray(70000, 'x')));
}

TEST(RestavoPosting, RefusedOrImpossibleUploadChangesNothing)
{
    struct Row {
        const char *name;
        QByteArray referenceNo;
        bool copy;
        QByteArray answer;
        int requests;
    };
    const Row rows[] = {
        {"refused", {}, true, "<answer><certificate status=\"2\"/></answer>", 1},
        {"not XML", {}, true, "stored", 1},
        {"copy missing", {}, false, "<answer><certificate status=\"0\"/></answer>", 0},
        {"reference with path parts", "../../x/12", true, "<answer><certificate status=\"0\"/></answer>", 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        PostingDesk desk;
        desk.server.addRoute("POST", "/cdb/upload", FakeAnswer::text(row.answer));
        desk.add(1, 5, D, row.referenceNo);
        if (row.copy)
            desk.write(desk.copyName(1), "copy");
        EXPECT_EQ(desk.postFile(), (Message {kReply, -3, 2}));
        EXPECT_EQ(desk.status(1), 5);
        EXPECT_EQ(desk.exists(desk.copyName(1)), row.copy);
        EXPECT_EQ(desk.requestsTo("/cdb/upload").size(), row.requests);
        EXPECT_TRUE(desk.records("0x40000101").join('\n').contains("[TSim.ExecutePostFile] ошибка = "));
    }
}

namespace {

QByteArray Updater()
{
    QByteArray bytes;
    for (int i = 0; i < 5000; ++i)
        bytes.append(char(i * 31 % 251));
    return bytes;
}

QByteArray ZipOf(const QList<QPair<QString, QByteArray>> &members)
{
    ZipWriter zip;
    for (const auto &[name, content] : members)
        zip.add(name, content);
    return zip.finish();
}

Message Update(const PostingDesk &desk, const QByteArray &item)
{
    return desk.run(9, {RestavoArgument::number(2), RestavoArgument::text("1.4.1.6"), RestavoArgument::text(item)});
}

QString Option(const PostingDesk &desk, const QString &name)
{
    SqliteDatabase db(desk.file("Tessal.sqb"));
    return DatabaseOptions(db).read(CommonUser, name);
}

} // namespace

TEST(RestavoUpdate, RestoratorPackageLeavesTheUpdaterBesideTheProgram)
{
    PostingDesk desk;
    QDir(desk.home.path()).mkpath("DownLoad");
    const QByteArray package = ZipOf({{"readme.txt", "r"}, {"VuzudoVO.exe", Updater()}});
    desk.server.addRoute("GET", "/files/restorator.zip", FakeAnswer::data(package));

    EXPECT_EQ(Update(desk, "restorator%/files/restorator.zip*17"), (Message {kReply, 3, 2}));
    const QString updater = desk.home.filePath("VuzudoVO.exe");
    EXPECT_EQ(ReadWholeFile(updater), Updater());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(updater).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    EXPECT_EQ(ReadWholeFile(desk.home.filePath("DownLoad/restorator.zip")), package);
    EXPECT_EQ(Option(desk, "restorator.zip"), QStringLiteral("17"));
    ASSERT_EQ(desk.server.requests().size(), 1);
    EXPECT_EQ(desk.server.requests()[0].body, "tppn=7&plcn=3&tppk=" + kKey + "&pver=1.4.1.6");

    // The support package is kept as it came.
    desk.server.addRoute("GET", "/files/support.zip", FakeAnswer::data("support bytes"));
    EXPECT_EQ(Update(desk, "support%/files/support.zip*4"), (Message {kReply, 3, 2}));
    EXPECT_EQ(ReadWholeFile(desk.home.filePath("DownLoad/support.zip")), "support bytes");
    EXPECT_EQ(Option(desk, "support.zip"), QStringLiteral("4"));
}

TEST(RestavoUpdate, BadPackagesFailCleanly)
{
    ZipWriter bomb;
    bomb.add("VuzudoVO.exe", QByteArray(qint64(65) << 20, '\0'));
    const QByteArray bombBytes = bomb.finish();
    FakeAnswer missing = FakeAnswer::text("<html>not here</html>");
    missing.status = 404;
    struct Row {
        const char *name;
        QByteArray item;
        FakeAnswer answer;
        bool packageKept;
        QString record; // the whole failure record, where its words are fixed
    };
    const QString failure = QStringLiteral("1,4: [TSim.ExecuteUpdate] ошибка = ");
    const Row rows[] = {
        {"without the updater", "restorator%/f/r.zip*1", FakeAnswer::data(ZipOf({{"other.exe", "x"}})), true,
         failure + "в присланном архиве нет файла VuzudoVO.exe"},
        {"updater over the cap", "restorator%/f/r.zip*1", FakeAnswer::data(bombBytes), true, {}},
        {"not a zip", "restorator%/f/r.zip*1", FakeAnswer::data("PK but no zip"), true, {}},
        {"not found", "restorator%/f/r.zip*1", missing, false,
         failure + "[TSim.ExecuteUpdate] ошибка получения файла"},
        {"empty answer", "restorator%/f/r.zip*1", FakeAnswer::data(""), false,
         failure + "получен пустой файл \"restorator\""},
        {"empty support", "support%/f/r.zip*1", FakeAnswer::data(""), false,
         failure + "получен пустой файл \"support\""},
        {"url without a file name", "support%/f/..*1", FakeAnswer::data("x"), false, {}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        PostingDesk desk;
        QDir(desk.home.path()).mkpath("DownLoad");
        desk.server.addRoute("GET", "/f/", row.answer);
        EXPECT_EQ(Update(desk, row.item), (Message {kReply, 0, 1}));
        EXPECT_FALSE(QFile::exists(desk.home.filePath("VuzudoVO.exe")));
        EXPECT_EQ(QDir(desk.home.filePath("DownLoad")).entryList(QDir::Files | QDir::Hidden).size(),
                  row.packageKept ? 1 : 0);
        EXPECT_TRUE(Option(desk, "restorator.zip").isEmpty());
        const QStringList records = desk.records("0x40000101");
        EXPECT_TRUE(records.join('\n').contains("[TSim.ExecuteUpdate] ошибка = "));
        if (!row.record.isEmpty())
            EXPECT_TRUE(records.contains(row.record)) << records.join('\n').toStdString();
    }
}
