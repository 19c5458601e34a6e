// Opening the certificate database: creation of a new one, the checks that
// it belongs to this chamber and this program, the upgrade of the version 3
// layout, and the fix-ups of older rows run at every start.
#include "DataTessal.h"

#include "CommonTessal.h"
#include "DatabaseSchema.h"
#include "GGDateTime.h"
#include "PackageList.h"
#include "ProgressSink.h"
#include "StartFailure.h"
#include "Prompter.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QFile>

namespace {

// Rows copied per statement during the upgrade; the progress moves after each batch.
constexpr int UpgradeBatchRows = 200;

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

// Copies a file under a temporary name first, so a copy cut short never takes the name.
void CopyFileWhole(const QString &from, const QString &to)
{
    const QString partial = to + QStringLiteral(".part");
    QFile::remove(partial);
    if (!QFile::copy(from, partial) || !QFile::rename(partial, to)) {
        QFile::remove(partial);
        throw AppError(QStringLiteral("Не удалось скопировать ") + from + QStringLiteral(" в ") + to);
    }
}

// Reports the copied share of rows to an optional sink.
class BatchProgress {
public:
    BatchProgress(ProgressSink *sink, qint64 total) : m_sink(sink), m_total(total)
    {
        if (m_sink) {
            m_sink->open();
            m_sink->setPermille(0);
        }
    }
    ~BatchProgress()
    {
        if (m_sink)
            m_sink->close();
    }
    void advance(qint64 done)
    {
        if (m_sink && m_total > 0)
            m_sink->setPermille(int(std::min<qint64>(1000, done * 1000 / m_total)));
    }

private:
    ProgressSink *m_sink;
    qint64 m_total;
};

} // namespace

void TDM::LoadAll()
{
    TessalState &app = App();
    try {
        SetDateFormats();
        const QString path = databasePath();
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
        if (version == Schema::CurrentVersion && !hasVersion4Columns())
            version = 3;
        if (version < Schema::CurrentVersion)
            upgradeFromVersion3();

        if (!app.StopFlag) {
            addLookupIndexes();
            fixOlderRows();
        }
        openQueries();
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

// ---------------------------------------------------------------- a new database

// The database is built and seeded under a temporary name and takes its own
// name only when complete, so a creation cut short is made again next time.
void TDM::createDatabase(const QString &fileName)
{
    Prompts().ask(QStringLiteral("Файл данных ") + fileName + QStringLiteral(" отсутствует\r\nБудет создан новый."),
                  App().MessageTitle, Prompt::Information, Prompt::Ok);
    const QString building = fileName + QStringLiteral(".new");
    const auto removeBuilding = [&] {
        QFile::remove(building);
        QFile::remove(building + QStringLiteral("-journal"));
    };
    removeBuilding();
    try {
        closeQueriesAndDatabase();
        connectDatabase(building, SqliteDatabase::OpenMode::CreateIfMissing);
        {
            SqliteTransaction transaction(ASQLite3DBd);
            for (const QString &statement : Schema::CertificateTables())
                ASQLite3DBd.exec(statement);
            transaction.commit();
        }
        seedNewDatabase();
        closeQueriesAndDatabase();
        if (!QFile::rename(building, fileName))
            throw AppError(QStringLiteral("Не удалось переименовать ") + building + QStringLiteral(" в ") + fileName);
    } catch (...) {
        closeQueriesAndDatabase();
        removeBuilding();
        throw;
    }
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

// ---------------------------------------------------------------- upgrade

bool TDM::hasVersion4Columns()
{
    try {
        // Preparing it fails when the column is missing; running it would read every row.
        SqliteStatement probe(ASQLite3DBd, QStringLiteral("select actDate14 from mcod where actDate14 = 100"));
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

// The version 3 rows move to temptable and back into the new layout of mcod.
// The whole move, up to the new version number, is one transaction: cut short
// anywhere, the database stays as it was. A copy of the file before the first
// upgrade is kept as Tessal.sqb.4old.
void TDM::upgradeFromVersion3()
{
    Prompts().ask(QStringLiteral("будем конвертировать данные"), App().MessageTitle, Prompt::Information, Prompt::Ok);
    const QString keptCopy = databasePath() + QStringLiteral(".4old");
    if (!QFile::exists(keptCopy))
        CopyFileWhole(databasePath(), keptCopy);

    const QStringList columns = Schema::McodColumns();
    const QStringList version3 = columns.mid(0, Schema::Version3ColumnCount);
    const QStringList added = columns.mid(Schema::Version3ColumnCount);
    QStringList copiedBack;
    for (const QString &column : version3)
        copiedBack << (column == QLatin1String("pFilter") ? QStringLiteral("'TRUE'") : column);
    // fileComment13, fileName13, actNumber14 and actDate14 stay empty; actPresent14 is true.
    copiedBack << QStringLiteral("NULL") << QStringLiteral("NULL") << QStringLiteral("NULL") << QStringLiteral("NULL")
               << QStringLiteral("1");

    SqliteTransaction transaction(ASQLite3DBd, SqliteTransaction::Kind::Immediate);
    if (ASQLite3DBd.tableExists(QStringLiteral("temptable")))
        ASQLite3DBd.exec(QStringLiteral("DROP TABLE temptable"));
    ASQLite3DBd.exec(Schema::CreateTempTable());
    copyRowsInBatches(QStringLiteral("mcod"), QStringLiteral("temptable"), version3.join(QLatin1Char(',')),
                      version3.join(QLatin1Char(',')));
    ASQLite3DBd.exec(QStringLiteral("drop table mcod"));
    for (const QString &statement : Schema::McodWithIndexes())
        ASQLite3DBd.exec(statement);
    copyRowsInBatches(QStringLiteral("temptable"), QStringLiteral("mcod"), (version3 + added).join(QLatin1Char(',')),
                      copiedBack.join(QLatin1Char(',')));
    ASQLite3DBd.exec(QStringLiteral("DROP TABLE temptable"));
    writeOption(CommonUser, QStringLiteral("VersionSQB"), QString::number(Schema::CurrentVersion));
    transaction.commit();
    SupportInsert();
}

// Copies every row of a table in id order, UpgradeBatchRows rows per statement.
// The batches are bounded by ids that exist, so gaps between ids cost nothing.
void TDM::copyRowsInBatches(const QString &from, const QString &to, const QString &targetColumns,
                            const QString &sourceValues)
{
    QList<QVariant> batchStarts;
    qint64 total = 0;
    {
        SqliteStatement ids(ASQLite3DBd, QStringLiteral("select id from ") + from + QStringLiteral(" order by id"));
        while (ids.step()) {
            if (total % UpgradeBatchRows == 0)
                batchStarts.append(ids.columnValue(0));
            ++total;
        }
    }
    BatchProgress progress(m_progress, total);
    const QString insert = QStringLiteral("insert into ") + to + QStringLiteral(" (") + targetColumns
        + QStringLiteral(") select ") + sourceValues + QStringLiteral(" from ") + from;
    SqliteStatement middle(ASQLite3DBd, insert + QStringLiteral(" where (id >= :low) and (id < :high) order by id"));
    SqliteStatement last(ASQLite3DBd, insert + QStringLiteral(" where (id >= :low) order by id"));
    for (qsizetype batch = 0; batch < batchStarts.size(); ++batch) {
        const bool isLast = batch + 1 == batchStarts.size();
        SqliteStatement &copy = isLast ? last : middle;
        copy.reset();
        copy.bindValue(QStringLiteral("low"), batchStarts[batch]);
        if (!isLast)
            copy.bindValue(QStringLiteral("high"), batchStarts[batch + 1]);
        copy.execute();
        progress.advance(isLast ? total : (batch + 1) * qint64(UpgradeBatchRows));
    }
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

// The list query opens on its first page: the window set with its SQL.
void TDM::openQueries()
{
    ASQM.open();
    ASQD.open();
    ASQM.first();
    SupportInsert();
    ASQContragent.close();
    ASQContragent.open();
    ASQPhrase.close();
    ASQPhrase.open();
}
