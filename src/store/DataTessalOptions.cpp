// Options and phrases of the data module. Every routine here runs on the
// scratch query ALQueryWork and leaves it closed; errors never leave them.
#include "DataTessal.h"
#include "StrictDecimal.h"

#include "CommonTessal.h"
#include "KDSUtils.h"
#include "Prompter.h"
#include "ggError.h"
#include "ggFiles.h"

namespace {

// The scratch query, closed, unfiltered, with a new statement.
SqlQuery &Scratch(SqlQuery &query, const QString &sql)
{
    query.close();
    query.setFiltered(false);
    query.params().clear();
    query.setSql(sql);
    return query;
}

const QString OptionKeyCondition =
    QStringLiteral("where (UserName = :UserName) and  (ParamName = :ParamName)");

} // namespace

void TDM::writeOption(const QString &UserName, const QString &ParamName, const QString &Value)
{
    SqlQuery &remove =
        Scratch(ALQueryWork, QStringLiteral("delete from Options where (UserName = :UserName) and (ParamName = :ParamName)"));
    WideToParam(UserName, remove.paramByName(QStringLiteral("UserName")));
    WideToParam(ParamName, remove.paramByName(QStringLiteral("ParamName")));
    remove.execSql();

    SqlQuery &insert = Scratch(
        ALQueryWork, QStringLiteral("INSERT INTO Options (UserName,ParamName,Value) VALUES (:UserName,:ParamName,:Value);"));
    WideToParam(UserName, insert.paramByName(QStringLiteral("UserName")));
    WideToParam(ParamName, insert.paramByName(QStringLiteral("ParamName")));
    WideToParam(Value, insert.paramByName(QStringLiteral("Value")));
    insert.execSql();
    ALQueryWork.close();
}

void TDM::SaveOption(const QString &UserName, const QString &ParamName, const QString &Value)
{
    try {
        SqliteTransaction transaction(ASQLite3DBd);
        writeOption(UserName, ParamName, Value);
        transaction.commit();
    } catch (const std::exception &e) {
        ALQueryWork.close();
        LogFunctionFailure("DataTessal.TDM.SaveOption", ExceptionText(e));
    }
}

QByteArray TDM::readOptionValue(const QByteArray &userName, const QByteArray &paramName)
{
    SqlQuery &query = Scratch(ALQueryWork, QStringLiteral("select Value from Options ") + OptionKeyCondition);
    query.paramByName(QStringLiteral("UserName")).setBlob(userName);
    query.paramByName(QStringLiteral("ParamName")).setBlob(paramName);
    query.open();
    const QByteArray value = query.eof() ? QByteArray() : query.fieldByName(QStringLiteral("Value")).asBytes();
    query.close();
    return value;
}

QString TDM::ReadOption(const QString &UserName, const QString &ParamName)
{
    try {
        return WideTextFromBytes(readOptionValue(WideTextBytes(UserName), WideTextBytes(ParamName)));
    } catch (const std::exception &e) {
        ALQueryWork.close();
        LogFunctionFailure("DataTessal.TDM.ReadOption", ExceptionText(e));
        return QString();
    }
}

// A program-wide option written as UTF-16LE, else as 8-bit text by an older version.
QString TDM::readCommonOption(const QString &ParamName)
{
    try {
        const QByteArray wide = readOptionValue(WideTextBytes(CommonUser), WideTextBytes(ParamName));
        if (!wide.isEmpty())
            return WideTextFromBytes(wide);
        return QString::fromUtf8(readOptionValue(CommonUser.toUtf8(), ParamName.toUtf8()));
    } catch (const std::exception &e) {
        ALQueryWork.close();
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
