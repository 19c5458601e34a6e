// The update package: packages made here by our zip writer and enciphered
// with the chamber key by the openssl command line.
#include "UpdatePackage.h"

#include "DatabaseOptions.h"
#include "ExchangeGuard.h"
#include "FileDialogs.h"
#include "StoreFixture.h"
#include "ZipArchive.h"
#include "ggError.h"

#include <QDir>
#include <optional>

namespace {

const QByteArray PackageKey = QByteArrayLiteral("0123456789ABCDEF0123456789ABCDEF");

// One certificate-change element: the certificate of blank OldBlank (status 7,
// reference 6007 + blank) gets NewStatus and the new reference.
QByteArray Change(int id, int oldBlank, int newStatus, const QByteArray &newReference = QByteArray())
{
    const QByteArray oldReference = "6007" + QByteArray::number(oldBlank).rightJustified(6, '0');
    return "<certificate-change id=\"" + QByteArray::number(id) + "\" oldStatus=\"7\" newStatus=\""
        + QByteArray::number(newStatus) + "\" newBlankNo=\"" + QByteArray::number(oldBlank) + "\" newReferenceNo=\""
        + (newReference.isEmpty() ? oldReference : newReference) + "\" newLanguage=\"ru\" oldBlankNo=\""
        + QByteArray::number(oldBlank) + "\" oldReferenceNo=\"" + oldReference + "   \" oldLanguage=\"ru\"/>";
}

QByteArray Changes(const QByteArray &elements, const QByteArray &clean = QByteArray())
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><exchangeProtocol>" + clean + "<changes>" + elements
        + "</changes></exchangeProtocol>";
}

} // namespace

class UpdatePackageTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        oldWorkstationFile = ReadWholeFile(dataFile("i.cod"));
        packages = home.path() + "/packages";
        QDir().mkpath(packages);
        freshWorkstation();
    }

    // Two issued certificates, the second older; changes up to 5 applied.
    void freshWorkstation()
    {
        writeWorkstationFile(oldWorkstationFile);
        dm->ReloadWorkstationFile();
        App().ChamberKey = PackageKey;
        exec("delete from mcod");
        insertCertificate(certificate(1, 45, {{"status", 7}, {"CertNo", 45}}));
        insertCertificate(certificate(2, 46, {{"status", 7}, {"CertNo", 46}, {"LastDate", today() - 10}}));
        DatabaseOptions(dm->ASQLite3DBd).save(CommonUser, "lastChange", "5");
    }

    // The package file: the entries zipped, then enciphered with Key by openssl.
    QString package(const QList<QPair<QString, QByteArray>> &entries, const QByteArray &key = PackageKey)
    {
        ZipWriter zip;
        for (const auto &[name, content] : entries)
            zip.add(name, content);
        const QString plain = home.path() + "/plain.zip";
        WriteWholeFile(plain, zip.finish());
        const QString file = packages + "/TS_7_update.zip.cod";
        RunProgram("openssl", {"enc", "-aes-256-cfb8", "-K", QString::fromLatin1(key.toHex()), "-iv",
                               QString::fromLatin1(CipherVector.toHex()), "-in", plain, "-out", file});
        QFile::remove(plain);
        return file;
    }
    QString packageOf(const QByteArray &changes, const QByteArray &workstation)
    {
        return package({{"version.xml", "<version/>"}, {"changes.xml", changes}, {"i.cod", workstation}});
    }
    QString statuses()
    {
        QStringList rows;
        SqliteStatement select(dm->ASQLite3DBd, "select id, status from mcod order by id");
        while (select.step())
            rows << select.columnText(0) + ":" + select.columnText(1);
        return rows.join(',');
    }
    QString lastChange() { return DatabaseOptions(dm->ASQLite3DBd).readCommon("lastChange"); }

    QByteArray oldWorkstationFile;
    QString packages;
};

TEST_F(UpdatePackageTest, AppliesTheChangesThenTheCheckedWorkstationFile)
{
    const QByteArray newWorkstation = Enciphered(WorkstationXml("Name=\"i.cod\" Ver=\"3\"", "<for>TessalForm</for>",
                                                                "<port>9443</port>"));
    const QByteArray refused = Enciphered(WorkstationXml("Name=\"i.cod\" Ver=\"3\"", "<for>Other</for>"));
    struct Case {
        const char *name;
        QByteArray changes;
        QByteArray workstation;
        bool fails;
        QString statuses;
        QString lastChange;
        bool newWorkstationFile;
    };
    const QList<Case> cases = {
        {"applied ids are skipped", Changes(Change(5, 45, 9) + Change(6, 46, 9)), newWorkstation, false, "1:7,2:9",
         "6", true},
        {"an unmatched change advances", Changes(Change(6, 999, 9)), newWorkstation, false, "1:7,2:7", "6", true},
        {"a bad reference fails, earlier changes stay",
         Changes(Change(6, 45, 8) + Change(7, 46, 9, "60070X0046") + Change(8, 46, 9)), newWorkstation, true,
         "1:8,2:7", "6", false},
        {"empty changes.xml applies only i.cod", QByteArray(), newWorkstation, false, "1:7,2:7", "5", true},
        {"a clean day removes the older certificates",
         Changes(QByteArray(), "<clean date=\"10.03.2026\"/>"), QByteArray(), false, "1:7", "5", false},
        {"a refused i.cod keeps the old one", Changes(Change(6, 46, 9)), refused, true, "1:7,2:9", "6", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        freshWorkstation();
        const QString file = packageOf(c.changes, c.workstation);
        if (c.fails)
            EXPECT_THROW(ApplyUpdatePackageFile(*dm, file), AppError);
        else
            EXPECT_NO_THROW(ApplyUpdatePackageFile(*dm, file));
        EXPECT_EQ(statuses(), c.statuses);
        EXPECT_EQ(lastChange(), c.lastChange);
        EXPECT_EQ(ReadWholeFile(dataFile("i.cod")), c.newWorkstationFile ? newWorkstation : oldWorkstationFile);
        EXPECT_EQ(App().ServerPort, c.newWorkstationFile ? 9443 : 8443);
        EXPECT_EQ(QDir(packages).entryList(QDir::Files), QStringList{"TS_7_update.zip.cod"}) << "no plain zip left";
        EXPECT_EQ(QDir(dataDir()).entryList({"*.part-*"}), QStringList());
        EXPECT_EQ(dm->ASQM.recordCount(), c.statuses.count(':')) << "the list is read again";
    }
}

TEST_F(UpdatePackageTest, AWrongKeyOrAMissingEntryChangesNothing)
{
    const QByteArray changes = Changes(Change(6, 46, 9));
    const QByteArray workstation = Enciphered(WorkstationXml("Name=\"i.cod\" Ver=\"3\""));
    const QStringList files = {
        package({{"version.xml", "<version/>"}, {"changes.xml", changes}, {"i.cod", workstation}},
                "FEDCBA9876543210FEDCBA9876543210"),
        package({{"version.xml", "<version/>"}, {"i.cod", workstation}}),
    };
    for (const QString &file : files) {
        EXPECT_THROW(ApplyUpdatePackageFile(*dm, file), AppError);
        EXPECT_EQ(statuses(), "1:7,2:7");
        EXPECT_EQ(ReadWholeFile(dataFile("i.cod")), oldWorkstationFile);
    }

    // Without a chamber key nothing is read, not even what the built-in key deciphers.
    const QString builtIn = package({{"version.xml", "<version/>"}, {"changes.xml", changes}, {"i.cod", workstation}},
                                    DefaultCipherKey);
    App().ChamberKey.clear();
    try {
        ApplyUpdatePackageFile(*dm, builtIn);
        ADD_FAILURE() << "a package was read without a chamber key";
    } catch (const AppError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("В файле i.cod нет ключа палаты"));
    }
    EXPECT_EQ(statuses(), "1:7,2:7");
    EXPECT_EQ(ReadWholeFile(dataFile("i.cod")), oldWorkstationFile);
}

TEST_F(UpdatePackageTest, TheActionAsksForThePackageAndWaitsForAnExchangeToEnd)
{
    ScopedScriptedFileDialogs dialogs;
    {
        const ExchangeTicket sync = BeginExchange("aServer");
        EXPECT_EQ(ApplyUpdatePackage(*dm), UpdatePackageOutcome::ExchangeRunning);
        EXPECT_TRUE(dialogs->requests().isEmpty());
    }
    EXPECT_EQ(ApplyUpdatePackage(*dm), UpdatePackageOutcome::Cancelled);
    ASSERT_EQ(dialogs->requests().size(), 1);
    EXPECT_EQ(dialogs->requests()[0].kind, FileDialogRequest::OpenFile);
    EXPECT_EQ(dialogs->requests()[0].nameFilters, QStringList{"Файлы обновления (TS_*_update.zip.cod)"});

    dialogs->answer(packageOf(Changes(Change(6, 46, 9)), QByteArray()));
    EXPECT_EQ(ApplyUpdatePackage(*dm), UpdatePackageOutcome::Applied);
    EXPECT_EQ(statuses(), "1:7,2:9");
    EXPECT_FALSE(ExchangeRunning());
}
