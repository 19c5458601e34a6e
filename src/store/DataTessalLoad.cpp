// Opening the certificate database: creation of a new one, the checks that
// it belongs to this chamber and this program, and the fix-ups of older rows
// run at every start (the upgrade of older layouts is in DataTessalUpgrade).
#include "DataTessal.h"

#include "AtomicFileWriter.h"
#include "CommonTessal.h"
#include "DatabaseSchema.h"
#include "GGDateTime.h"
#include "PackageList.h"
#include "ProgramFolders.h"
#include "StartFailure.h"
#include "Prompter.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QFile>

namespace {

struct SeedPhrase {
    const char *lang;
    int stype;
    const char *name;
};

const SeedPhrase NewDatabasePhrases[] = {
    {"en", 20, "Russia"},   {"ru", 20, "Россия"},    {"ru", 5, "Копия"},     {"ru", 5, "Дубликат"},
    {"ru", 5, "Выдано впоследствии"}, {"en", 5, "Copy"}, {"en", 5, "Duplicate"}, {"en", 5, "Issued retrospectively"},
};

const QString InsertPhrase = QStringLiteral("INSERT INTO Phrase (lang,stype,name) VALUES (:lang,:stype,:name);");

// Inserts phrases in one transaction; a failure rolls them all back and is otherwise ignored.
void InsertPhrasesOrNone(SqliteDatabase &db, const QList<PackagePhrase> &phrases, int stype)
{
    try {
        SqliteTransaction transaction(db);
        SqliteStatement insert(db, InsertPhrase);
        for (const PackagePhrase &phrase : phrases) {
            insert.reset();
            insert.bindText(QStringLiteral("lang"), QString::fromUtf8(phrase.lang));
            insert.bindInteger(QStringLiteral("stype"), stype);
            insert.bindWideBlob(QStringLiteral("name"), phrase.name);
            insert.execute();
        }
        transaction.commit();
    } catch (const std::exception &) {
    }
}

} // namespace

void TDM::LoadAll(ListOpening listOpening)
{
    TessalState &app = App();
    try {
        SetDateFormats();
        const QString path = databasePath();
        // Copies and saves cut short by a killed run leave their temporaries behind.
        SweepStaleTemporaries(programDir());
        if (!QFile::exists(path))
            createDatabase(path);

        SetDateFormats();
        connectDatabase(path, SqliteDatabase::OpenMode::MustExist);

        if (ReadBaseKey() != QString::fromUtf8(app.ChamberKey)) {
            refuseDatabase(QStringLiteral("Для этих данных нужен другой i.cod"));
            return;
        }
        if (app.StopFlag) {
            CloseALL(true);
            return;
        }

        int64_t version = ReadVersionSQB();
        if (version < 3) {
            refuseDatabase(QStringLiteral("Слишком старая база данных. Работа невозможна"));
            return;
        }
        if (version > Schema::CurrentVersion) {
            refuseDatabase(QStringLiteral("Слишком старая программа для этой базы данных. Работа невозможна"));
            return;
        }
        const McodLayout layout = mcodLayout();
        if (version < Schema::CurrentVersion || layout != McodLayout::Version4
            || ASQLite3DBd.tableExists(QStringLiteral("temptable")))
            upgradeToCurrentVersion(layout);

        if (!app.StopFlag) {
            addLookupIndexes();
            fixOlderRows();
        }
        openQueries(listOpening);
        CloseALL(app.StopFlag);
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.LoadAll", e);
        app.StopFlag = true;
        CloseALL(true);
        // The start-up stops here; without this the operator would see nothing.
        TellStartFailure(e);
    }
}

void TDM::refuseDatabase(const QString &text)
{
    Prompts().ask(text, App().MessageTitle, Prompt::Error, Prompt::Ok);
    App().StopFlag = true;
    CloseALL(true);
}

void TDM::connectDatabase(const QString &fileName, SqliteDatabase::OpenMode mode)
{
    ASQLite3DBdBeforeConnect();
    ASQLite3DBd.open(fileName, mode);
}

void TDM::closeQueriesAndDatabase()
{
    for (SqlQuery *query : {&ASQD, &ASQM, &ASQPhrase, &ASQContragent, &ALQueryWork, &ALQGoods, &LQueryTemp,
                            &QueryInsM, &QueryInsD})
        query->close();
    ASQLite3DBd.close();
}

void TDM::DisconnectDatabase()
{
    closeQueriesAndDatabase();
}

void TDM::ReconnectDatabase()
{
    closeQueriesAndDatabase();
    connectDatabase(databasePath(), SqliteDatabase::OpenMode::MustExist);
    openQueries();
}

// ---------------------------------------------------------------- a new database

// The database is built and seeded under a temporary name of the atomic
// writer, which gives it the permissions of a new file, and takes its own
// name only when complete, so a creation cut short is made again next time
// (and its temporary swept).
void TDM::createDatabase(const QString &fileName)
{
    Prompts().ask(QStringLiteral("Файл данных ") + fileName + QStringLiteral(" отсутствует\r\nБудет создан новый."),
                  App().MessageTitle, Prompt::Information, Prompt::Ok);
    closeQueriesAndDatabase();
    AtomicFileWriter building(fileName);
    try {
        // An empty file is an empty database.
        connectDatabase(building.temporaryName(), SqliteDatabase::OpenMode::MustExist);
        {
            SqliteTransaction transaction(ASQLite3DBd);
            for (const QString &statement : Schema::CertificateTables())
                ASQLite3DBd.exec(statement);
            transaction.commit();
        }
        seedNewDatabase();
    } catch (...) {
        // Closed before the writer removes the file under it.
        closeQueriesAndDatabase();
        throw;
    }
    closeQueriesAndDatabase();
    building.commit();
}

void TDM::seedNewDatabase()
{
    SetDateFormats();
    if (!ASQLite3DBd.tableExists(QStringLiteral("Options"))) {
        SqliteTransaction transaction(ASQLite3DBd);
        ASQLite3DBd.exec(Schema::CreateOptions);
        writeOption(CommonUser, QStringLiteral("Key"), QString::fromUtf8(App().ChamberKey));
        writeOption(CommonUser, QStringLiteral("LastSync"), QString::number(DateToDayNumber(Today())));
        writeOption(CommonUser, QStringLiteral("VersionSQB"), QString::number(Schema::CurrentVersion));
        transaction.commit();
    }

    try {
        SqliteTransaction transaction(ASQLite3DBd);
        SqliteStatement insert(ASQLite3DBd, InsertPhrase);
        for (const SeedPhrase &phrase : NewDatabasePhrases) {
            insert.reset();
            insert.bindText(QStringLiteral("lang"), QString::fromUtf8(phrase.lang));
            insert.bindInteger(QStringLiteral("stype"), phrase.stype);
            insert.bindWideBlob(QStringLiteral("name"), QString::fromUtf8(phrase.name));
            insert.execute();
        }
        transaction.commit();
    } catch (const std::exception &) {
    }

    seedPackages();

    SavePhrase("en", 41, QStringLiteral("Russia"));
    SavePhrase("ru", 41, QStringLiteral("Россия"));
    for (const WorkstationLanguage &language : m_languages) {
        SavePhrase(language.LangSymb, 42, language.dovName);
        SavePhrase(language.LangSymb, 43, language.dovCity);
    }
}

void TDM::seedPackages()
{
    const QString path = dataFile(PackageListFileName);
    QList<PackagePhrase> packages;
    try {
        packages = ReadPackageList(path);
    } catch (const std::exception &e) {
        Prompts().ask(QStringLiteral("Невозможно загрузить файл ") + path, App().MessageTitle, Prompt::Error,
                      Prompt::Ok);
        throw ToldFailure(QStringLiteral("Невозможно загрузить файл ") + path + QStringLiteral(": ") + ExceptionText(e));
    }
    InsertPhrasesOrNone(ASQLite3DBd, packages, 9);
}

// ---------------------------------------------------------------- every start

// Made once per file; the program works without them, only slower, so a
// failure (a read-only file, a full disk) is logged and the start goes on.
void TDM::addLookupIndexes()
{
    try {
        SqliteTransaction transaction(ASQLite3DBd);
        for (const QString &statement : Schema::LookupIndexes())
            ASQLite3DBd.exec(statement);
        transaction.commit();
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.LoadAll", e);
    }
}

// The four fixes of older rows in one statement: each row is rewritten only
// when one of them applies to it, and each fix gives the same rows as it
// would alone. The rows are found through the partial index of
// OlderRowsCondition, not by reading the table.
void TDM::fixOlderRows()
{
    ASQD.close();
    ASQM.close();
    try {
        SqliteTransaction transaction(ASQLite3DBd);
        ASQLite3DBd.exec(QStringLiteral("update mcod set pFilter = 'TRUE', "
                                        "status = case when status = 1 then 10 else status end, "
                                        "GNum = case when GNum = 12 then 2 when GNum = 13 then 3 else GNum end "
                                        "where ")
                         + Schema::OlderRowsCondition);
        transaction.commit();
    } catch (const std::exception &) {
    }
}

// The list query opens on its first page (the window set with its SQL),
// unless the list's page opens it.
void TDM::openQueries(ListOpening listOpening)
{
    const bool withList = listOpening == ListOpening::WithLoad;
    if (withList)
        ASQM.open();
    ASQD.open();
    if (withList)
        ASQM.first();
    SupportInsert();
    ASQContragent.close();
    ASQContragent.open();
    ASQPhrase.close();
    ASQPhrase.open();
}
