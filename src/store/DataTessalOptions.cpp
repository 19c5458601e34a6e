// Options and phrases of the data module. Every routine here runs on the
// scratch query ALQueryWork and leaves it closed; errors never leave them.
#include "DataTessal.h"
#include "StrictDecimal.h"

#include "CommonTessal.h"
#include "DatabaseOptions.h"
#include "KDSUtils.h"
#include "Prompter.h"
#include "ggError.h"
#include "ggFiles.h"

namespace {

// The option statements run on the connection, not on the scratch query;
// it is still left closed and unfiltered, as every routine here leaves it.
void LeaveScratchClosed(SqlQuery &query)
{
    query.close();
    query.setFiltered(false);
}

// The scratch query, closed, unfiltered, with a new statement.
SqlQuery &Scratch(SqlQuery &query, const QString &sql)
{
    LeaveScratchClosed(query);
    query.params().clear();
    query.setSql(sql);
    return query;
}

} // namespace

void TDM::writeOption(const QString &UserName, const QString &ParamName, const QString &Value)
{
    LeaveScratchClosed(ALQueryWork);
    DatabaseOptions(ASQLite3DBd).write(UserName, ParamName, Value);
}

void TDM::SaveOption(const QString &UserName, const QString &ParamName, const QString &Value)
{
    LeaveScratchClosed(ALQueryWork);
    SaveOptionRecorded(ASQLite3DBd, UserName, ParamName, Value, QStringLiteral("function DataTessal.TDM.SaveOption"));
}

QString TDM::ReadOption(const QString &UserName, const QString &ParamName)
{
    LeaveScratchClosed(ALQueryWork);
    return ReadOptionRecorded(ASQLite3DBd, UserName, ParamName, QStringLiteral("function DataTessal.TDM.ReadOption"));
}

QString TDM::readCommonOption(const QString &ParamName)
{
    LeaveScratchClosed(ALQueryWork);
    try {
        return DatabaseOptions(ASQLite3DBd).readCommon(ParamName);
    } catch (const std::exception &e) {
        LogFunctionFailure("DataTessal.TDM.ReadOption", ExceptionText(e));
        return QString();
    }
}

QString TDM::ReadBaseKey()
{
    return readCommonOption(QStringLiteral("Key"));
}

int64_t TDM::ReadVersionSQB()
{
    const QString text = readCommonOption(QStringLiteral("VersionSQB"));
    if (text.isEmpty())
        return 0;
    const auto version = ParseStrictDecimal(text.toUtf8());
    if (!version) {
        LogFunctionFailure("DataTessal.TDM.ReadOption", QStringLiteral("'%1' is not a valid integer value").arg(text));
        return 0;
    }
    return *version;
}

uint8_t TDM::SavePhrase(const QByteArray &Lang, uint8_t SType, const QString &Name)
{
    if (Lang.size() != 2) {
        Prompts().ask(QStringLiteral("Нельзя вносить изменения, так как язык неизвестен."), QStringLiteral("Tessal"),
                      Prompt::Error, Prompt::Ok);
        return PhraseSaved::UnknownLanguage;
    }
    const auto bindKey = [&](SqlQuery &query) {
        query.paramByName(QStringLiteral("lang")).setText(QString::fromUtf8(Lang));
        query.paramByName(QStringLiteral("stype")).setInteger(SType);
        if (SqlParam *name = query.params().find(QStringLiteral("name")))
            WideToParam(Name, *name);
    };

    bool found = false;
    try {
        SqlQuery &lookup = Scratch(
            ALQueryWork,
            QStringLiteral("Select * from Phrase where (lang = :lang) and (stype = :stype) and (name = :name)"));
        bindKey(lookup);
        lookup.open();
        found = !lookup.eof() && BlobToWide(lookup.fieldByName(QStringLiteral("name"))) == Name;
    } catch (const std::exception &) {
        found = false; // a failed lookup counts as not found
    }
    ALQueryWork.close();
    if (found)
        return PhraseSaved::AlreadyThere;

    uint8_t result = PhraseSaved::Added;
    try {
        SqliteTransaction transaction(ASQLite3DBd);
        QString removeSql = QStringLiteral("delete from Phrase where (lang = :lang) and (stype = :stype)");
        if (SType <= 40)
            removeSql += QStringLiteral(" and (name = :name)");
        SqlQuery &remove = Scratch(ALQueryWork, removeSql);
        bindKey(remove);
        remove.execSql();
        SqlQuery &insert =
            Scratch(ALQueryWork, QStringLiteral("INSERT INTO Phrase (lang,stype,name) VALUES (:lang,:stype,:name);"));
        bindKey(insert);
        insert.execSql();
        transaction.commit();
    } catch (const std::exception &e) {
        result = PhraseSaved::Failed;
        LogFunctionFailure("DataTessal.TDM.SavePhrase", ExceptionText(e));
    }
    ALQueryWork.close();
    reopenPhrases();
    return result;
}

void TDM::reopenPhrases()
{
    try {
        ASQPhrase.close();
        ASQPhrase.open();
    } catch (const std::exception &e) {
        LogFunctionFailure("DataTessal.TDM.SavePhrase", ExceptionText(e));
    }
}

QString TDM::ReadPhrase(const QByteArray &Lang, uint8_t SType)
{
    QString name;
    try {
        QString sql = QStringLiteral("select name from Phrase where (stype = :stype)");
        if (Lang.size() == 2)
            sql += QStringLiteral(" and (lang = :lang)");
        SqlQuery &query = Scratch(ALQueryWork, sql);
        query.paramByName(QStringLiteral("stype")).setInteger(SType);
        if (Lang.size() == 2)
            query.paramByName(QStringLiteral("lang")).setText(QString::fromUtf8(Lang));
        query.open();
        if (!query.eof())
            name = BlobToWide(query.fieldByName(QStringLiteral("name")));
    } catch (const std::exception &e) {
        LogFunctionFailure("DataTessal.TDM.ReadPhrase", ExceptionText(e));
    }
    ALQueryWork.close();
    return name;
}
