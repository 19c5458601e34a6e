// The upgrade of older databases to the current layout of mcod: the version 3
// layout is rebuilt, rows that an interrupted upgrade left in temptable are
// taken back, and the schema version is written last. The whole upgrade is
// one transaction: cut short anywhere, the database stays as it was.
#include "DataTessal.h"

#include "AtomicFileWriter.h"
#include "CommonTessal.h"
#include "DatabaseSchema.h"
#include "StartFailure.h"
#include "ProgressSink.h"
#include "Prompter.h"
#include "SystemErrorTexts.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QFile>
#include <QSet>

namespace {

// Rows copied per statement during the upgrade; the progress moves after each batch.
constexpr int UpgradeBatchRows = 200;

const QString TempTable = QStringLiteral("temptable");

QStringList Version3Columns()
{
    return Schema::McodColumns().mid(0, Schema::Version3ColumnCount);
}

QStringList AddedColumns()
{
    return Schema::McodColumns().mid(Schema::Version3ColumnCount);
}

// What a version 3 row becomes in the current layout, column for column:
// visible to the list, no attached file, no inspection act, box 14 not required.
QString Version3RowAsCurrent()
{
    QStringList values;
    for (const QString &column : Version3Columns())
        values << (column == QLatin1String("pFilter") ? QStringLiteral("'TRUE'") : column);
    // fileComment13, fileName13, actNumber14 and actDate14 stay empty; actPresent14 is true.
    values << QStringLiteral("NULL") << QStringLiteral("NULL") << QStringLiteral("NULL") << QStringLiteral("NULL")
           << QStringLiteral("1");
    return values.join(QLatin1Char(','));
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

TDM::McodLayout TDM::mcodLayout()
{
    QSet<QString> present;
    SqliteStatement columns(ASQLite3DBd, QStringLiteral("pragma table_info(mcod)"));
    while (columns.step())
        present.insert(columns.columnText(1).toLower());
    if (present.isEmpty())
        return McodLayout::Missing;
    for (const QString &column : AddedColumns())
        if (!present.contains(column.toLower()))
            return McodLayout::Version3;
    return McodLayout::Version4;
}

// Brings mcod to the current layout and version, whatever the schema version
// option says: a table that already has the version 4 columns keeps every
// value in them. A copy of the file before the first upgrade is kept as
// Tessal.sqb.4old.
void TDM::upgradeToCurrentVersion(McodLayout layout)
{
    Prompts().ask(QStringLiteral("будем конвертировать данные"), App().MessageTitle, Prompt::Information, Prompt::Ok);
    const QString keptCopy = databasePath() + QStringLiteral(".4old");
    if (!QFile::exists(keptCopy)) {
        if (const int error = CopyFileAtomic(databasePath(), keptCopy))
            throw AppError(QStringLiteral("Не удалось скопировать ") + databasePath() + QStringLiteral(" в ")
                           + keptCopy + QStringLiteral(": ") + ErrnoText(error));
    }

    SqliteTransaction transaction(ASQLite3DBd, SqliteTransaction::Kind::Immediate);
    const bool leftover = ASQLite3DBd.tableExists(TempTable);
    if (layout == McodLayout::Missing && !leftover)
        throw AppError(QStringLiteral("В базе данных нет таблицы mcod"));
    if (leftover) {
        if (layout == McodLayout::Missing) {
            for (const QString &statement : Schema::McodWithIndexes())
                ASQLite3DBd.exec(statement);
            layout = McodLayout::Version4;
        }
        recoverLeftoverRows(layout);
    }
    if (layout == McodLayout::Version3)
        rebuildMcodFromVersion3();
    writeOption(CommonUser, QStringLiteral("VersionSQB"), QString::number(Schema::CurrentVersion));
    transaction.commit();
    SupportInsert();
}

// A temptable left by an upgrade cut short holds rows that mcod may have lost
// (mcod rebuilt with part of them, or not at all). Every row whose id mcod
// lacks goes back into mcod; rows mcod still has stay as mcod holds them.
// temptable goes only when none of its rows is missing from mcod; otherwise
// the start is refused and the database left as it was.
void TDM::recoverLeftoverRows(McodLayout layout)
{
    try {
        if (tableHoldsRows(TempTable)) {
            const bool current = layout == McodLayout::Version4;
            const QStringList target = current ? Version3Columns() + AddedColumns() : Version3Columns();
            const QString values = current ? Version3RowAsCurrent() : Version3Columns().join(QLatin1Char(','));
            // One statement: every missing row goes back, or none does (a row
            // without an id or with an id twice fails it).
            ASQLite3DBd.exec(QStringLiteral("insert into mcod (") + target.join(QLatin1Char(','))
                             + QStringLiteral(") select ") + values
                             + QStringLiteral(" from temptable where id is null or id not in (select id from mcod)"
                                              " order by id"));
        }
        ASQLite3DBd.exec(QStringLiteral("DROP TABLE temptable"));
    } catch (const std::exception &e) {
        const QString text = QStringLiteral("В базе данных осталась таблица temptable со строками прерванного "
                                            "преобразования, и перенести их в mcod не удалось: ")
            + ExceptionText(e) + QStringLiteral(". Работа невозможна");
        Prompts().ask(text, App().MessageTitle, Prompt::Error, Prompt::Ok);
        throw ToldFailure(text);
    }
}

bool TDM::tableHoldsRows(const QString &table)
{
    SqliteStatement first(ASQLite3DBd, QStringLiteral("select 1 from ") + table + QStringLiteral(" limit 1"));
    return first.step();
}

// The version 3 rows move to temptable and back into the new layout of mcod.
void TDM::rebuildMcodFromVersion3()
{
    const QString version3 = Version3Columns().join(QLatin1Char(','));
    ASQLite3DBd.exec(Schema::CreateTempTable());
    copyRowsInBatches(QStringLiteral("mcod"), TempTable, version3, version3);
    ASQLite3DBd.exec(QStringLiteral("drop table mcod"));
    for (const QString &statement : Schema::McodWithIndexes())
        ASQLite3DBd.exec(statement);
    copyRowsInBatches(TempTable, QStringLiteral("mcod"), Schema::McodColumns().join(QLatin1Char(',')),
                      Version3RowAsCurrent());
    ASQLite3DBd.exec(QStringLiteral("DROP TABLE temptable"));
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

