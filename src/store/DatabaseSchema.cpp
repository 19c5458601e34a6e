#include "DatabaseSchema.h"

#include <QRegularExpression>

// The statement texts are stored by SQLite as written; their spacing is part
// of what existing databases hold, so they are kept character for character.
namespace Schema {

const QString CreateMcod = QStringLiteral(
    "CREATE TABLE mcod ([id]          INTEGER NOT NULL UNIQUE, [status]      INTEGER DEFAULT 6, [CertNo]      INTEGER NOT NULL, [ReferenceNo]  TEXT(10) NOT NULL, [GNum]        INTEGER, [NumNum]      INTEGER, [Language]    TEXT (2) NOT NULL, [DateIssued]  INTEGER NOT NULL, [Expert]      TEXT, [Sender]    BLOB, [Exporter]  BLOB, [Recipient] BLOB, [Importer]  BLOB, [transport] BLOB, [OfficialNote] BLOB, [Country5] TEXT, [AdditionalInfo] BLOB, [DovName]      BLOB, [City11] TEXT, [Date11] INTEGER, [Country12]      TEXT, [City12]      TEXT, [Date12]      INTEGER, [BadDate]   INTEGER, [BadExpert] TEXT, [pFilter]   BOOLEAN, [goDuplicate] TEXT(10), [goInstead]  TEXT(10), [goCancel]   TEXT(10), [goTrue]     TEXT(10), [LastDate]  INTEGER NOT NULL, [fSize1]     INTEGER, [fSize2]     INTEGER, [fSize3]     INTEGER, [fSize4]     INTEGER, [fSize5]     INTEGER, [fSize6]     INTEGER, [fSize7]     INTEGER, [fSize8]     INTEGER, [fSize9]     INTEGER, [fSize10]     INTEGER, [fSize11]     INTEGER, [fSize12]     INTEGER, [fileComment13]    BLOB, [fileName13]  BLOB, [actNumber14] BLOB, [actDate14] INTEGER, [actPresent14] BOOLEAN);");

const QString CreateMcodIndexReference = QStringLiteral(
    "CREATE INDEX MCode ON mcod(ReferenceNo DESC);");

const QString CreateMcodIndexLastDate = QStringLiteral(
    "CREATE INDEX MCodeDate ON mcod(LastDate DESC);");

const QString CreateDcod = QStringLiteral(
    "CREATE TABLE dcod ([idM]       INTEGER, [dOrder]    INTEGER, [d7Num]     BLOB, [d8Description]  BLOB, [d9Count]   BLOB, [d9Package] BLOB, [d10Weight]  BLOB, [d10Q]    BLOB );");

const QString CreateDcodIndex = QStringLiteral(
    "CREATE INDEX dCode ON dcod(dOrder);");

const QString CreateContragent = QStringLiteral(
    "CREATE TABLE Contragent ([lang]         TEXT(2), [stype]        INTEGER, [nameT]        BLOB, [nameB]        BLOB);");

const QString CreateContragentIndex = QStringLiteral(
    "CREATE INDEX dContragent ON Contragent(lang,stype);");

const QString CreatePhrase = QStringLiteral(
    "CREATE TABLE Phrase ([lang]         TEXT(2), [stype]        INTEGER, [name]         BLOB);");

const QString CreatePhraseIndex = QStringLiteral(
    "CREATE INDEX dPhrase ON Phrase(lang,stype);");

const QString CreateOptions = QStringLiteral(
    "CREATE TABLE Options ([UserName]     BLOB, [ParamName]    BLOB, [Value]        BLOB);");

const QString InsertDcod = QStringLiteral(
    "INSERT INTO dcod (idM,dOrder,d7Num,d8Description,d9Count,d9Package,d10Weight,d10Q) "
    "VALUES (:idM,:dOrder,:d7Num,:d8Description,:d9Count,:d9Package,:d10Weight,:d10Q);");

QStringList CertificateTables()
{
    return McodWithIndexes()
        + QStringList{CreateDcod, CreateDcodIndex, CreateContragent, CreateContragentIndex, CreatePhrase,
                      CreatePhraseIndex};
}

const QString OlderRowsCondition =
    QStringLiteral("(pFilter IS NOT 'TRUE') OR (status = 1) OR (GNum = 12) OR (GNum = 13)");

const QString OwnStatusCondition = QStringLiteral("(status = 7) or (status = 6) or (status = 5)");

QStringList LookupIndexes()
{
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS dCodeIdM ON dcod(idM)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS MCodeLangCertNo ON mcod(Language, CertNo)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS MCodeBlank ON mcod(GNum, NumNum, status)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS MCodeDateId ON mcod(LastDate DESC, id DESC)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS MCodeOlderRows ON mcod(id) WHERE ") + OlderRowsCondition,
            QStringLiteral("CREATE INDEX IF NOT EXISTS MCodeOwn ON mcod(Expert, LastDate DESC, id DESC, status) WHERE ")
                + OwnStatusCondition,
            QStringLiteral("CREATE INDEX IF NOT EXISTS MCodeChanger "
                           "ON mcod(BadExpert, LastDate DESC, id DESC, Expert, status) WHERE BadExpert IS NOT NULL")};
}

QStringList McodWithIndexes()
{
    return {CreateMcod, CreateMcodIndexReference, CreateMcodIndexLastDate};
}

QString CreateTempTable()
{
    const QString lastColumn = QStringLiteral("[fSize12]     INTEGER");
    QString text = CreateMcod.left(CreateMcod.indexOf(lastColumn) + lastColumn.size()) + QStringLiteral(");");
    text.replace(QStringLiteral("CREATE TABLE mcod "), QStringLiteral("CREATE TABLE temptable "));
    return text;
}

const QStringList &McodColumns()
{
    static const QStringList columns = [] {
        QStringList names;
        static const QRegularExpression bracketed(QStringLiteral("\\[(\\w+)\\]"));
        for (auto it = bracketed.globalMatch(CreateMcod); it.hasNext();)
            names << it.next().captured(1);
        return names;
    }();
    return columns;
}

SqlParam::Type McodParamType(const QString &column)
{
    static const QStringList texts = {"ReferenceNo", "Language", "Expert", "Country5", "City11", "Country12",
                                      "City12", "BadExpert", "goDuplicate", "goInstead", "goCancel", "goTrue"};
    static const QStringList blobs = {"Sender", "Exporter", "Recipient", "Importer", "transport", "OfficialNote",
                                      "AdditionalInfo", "DovName", "fileComment13", "fileName13", "actNumber14"};
    if (column == QLatin1String("pFilter"))
        return SqlParam::Type::Unknown;
    if (column == QLatin1String("actPresent14"))
        return SqlParam::Type::Boolean;
    if (texts.contains(column))
        return SqlParam::Type::Text;
    if (blobs.contains(column))
        return SqlParam::Type::Blob;
    return SqlParam::Type::Integer;
}

QString InsertMcod()
{
    QStringList values;
    for (const QString &column : McodColumns())
        values << (column == QLatin1String("pFilter") ? QStringLiteral("'TRUE'") : QLatin1Char(':') + column);
    return QStringLiteral("INSERT INTO mcod (") + McodColumns().join(QLatin1Char(',')) + QStringLiteral(") VALUES (")
        + values.join(QLatin1Char(',')) + QStringLiteral(");");
}

} // namespace Schema
