#include "DataTessalNumbering.h"
#include "AttachedFileCopy.h"
#include "StrictDecimal.h"

#include "CertificateParams.h"
#include "CommonTessal.h"
#include "CommonTessalFiles.h"
#include "BorinWin.h"
#include "ComponentTag.h"
#include "DataTessal.h"
#include "GGDateTime.h"
#include "KDSUtils.h"
#include "Prompter.h"
#include "ggDebug.h"
#include "ggError.h"
#include "ggFiles.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace {

using Binding = std::pair<const char *, QVariant>;

// The first column of the first row of a query, its values bound; an invalid
// QVariant when there is no row or the value is null.
QVariant FirstValue(TDM &dm, const QString &sql, std::initializer_list<Binding> values = {})
{
    SqliteStatement query(dm.ASQLite3DBd, sql);
    for (const Binding &value : values)
        query.bindValue(QString::fromLatin1(value.first), value.second);
    return query.step() ? query.columnValue(0) : QVariant();
}

qint64 TodayNumber()
{
    return DateToDayNumber(Today());
}

int YearDigitOf(const QDate &date)
{
    return YearLastDigit(date).toInt();
}

// Read access to the insert parameters of the certificate being handled.
class InsertParams {
public:
    explicit InsertParams(TDM &dm) : m_params(dm.QueryInsM.params()) {}

    SqlParam &operator[](const char *name) const { return m_params.byName(QString::fromLatin1(name)); }
    qint64 number(const char *name) const { return (*this)[name].asInteger(); }
    bool flag(const char *name) const
    {
        const SqlParam &param = (*this)[name];
        return !param.isNull() && param.value().toBool();
    }
    QString text(const char *name) const { return (*this)[name].asText(); }    // UTF-8 text columns
    QString wide(const char *name) const { return ParamToWide((*this)[name]); } // UTF-16LE blobs

private:
    SqlParams &m_params;
};

// ---------------------------------------------------------------- findings

class Findings {
public:
    explicit Findings(TStatusCheckError &result) : m_result(result) {}

    void set(uint8_t level, const QString &text)
    {
        m_result.level = level;
        m_result.text += text;
    }
    void raise(const QString &text) { set(2, text); }
    void blockIfNone(const QString &text)
    {
        if (m_result.level == 0)
            m_result.level = 2;
        m_result.text += text;
    }

private:
    TStatusCheckError &m_result;
};

QString Limit(int limit)
{
    return QString::number(limit);
}

struct LengthRule {
    const char *param;
    bool wide; // a UTF-16LE blob, else UTF-8 text
    int limit;
    const char *name; // as the finding names the field
};

// Rows 11 to 22 of the check: "ВНИМАНИЕ! Параметр <name> не должен превышать <limit> символов.\r".
const LengthRule HeadLengthRules[] = {
    {"Sender", true, 700, "Sender поля 1"},
    {"Exporter", true, 700, "Exporter поля 1"},
    {"Recipient", true, 700, "Recipient поля 2"},
    {"Importer", true, 700, "Importer поля 2"},
    {"transport", true, 870, "transport поля 3"},
    {"OfficialNote", true, 870, "OfficialNote поля 4"},
    {"AdditionalInfo", true, 870, "AdditionalInfo поля 6"},
    {"Country5", false, 100, "страна поля 5"},
    {"DovName", true, 1000, "Наименование палаты поля 11"},
    {"City11", false, 100, "Город поля 11"},
    {"City12", false, 100, "Город поля 12"},
    {"Country12", false, 200, "Страна поля 12"},
};

struct GoodsRule {
    const char *column;
    int limit;
    const char *part;
};

const GoodsRule GoodsLengthRules[] = {
    {"d7Num", 576, "; Размер поля 7 не должен превышать "},
    {"d8Description", 9720, "; Размер поля 8 не должен превышать "},
    {"d9Count", 1368, "; Параметр Количество поля 9 не должен превышать "},
    {"d9Package", 1368, "; Параметр Тип поля 9 не должен превышать "},
    {"d10Weight", 1500, "; Параметр Единицы измерения поля 10 не должен превышать "},
    {"d10Q", 1500, "; Параметр Количество поля 10 не должен превышать "},
};

QString WithoutBlanksAndControls(const QString &text)
{
    QString kept;
    for (const QChar c : text)
        if (c.unicode() > 0x20)
            kept += c;
    return kept;
}

void CheckHead(TDM &dm, Findings &findings)
{
    const InsertParams p(dm);
    const TessalState &app = App();
    const QString expert = p.text("Expert");
    const QString badExpert = p.text("BadExpert");
    const QString referenceNo = p.text("ReferenceNo");
    const QString expertTooLong = QStringLiteral("ВНИМАНИЕ! Параметр поля \"Эксперт\" не должен превышать ") + Limit(100)
        + QStringLiteral(" символов.\r");

    if (expert != app.CurrentUserName && badExpert != app.CurrentUserName)
        findings.set(1, QStringLiteral("ВНИМАНИЕ! Изменился эксперт\r"));
    if (p.wide("DovName").isEmpty())
        findings.set(1, QStringLiteral("ВНИМАНИЕ! Параметр Наименование палаты поля 11 не должен оставаться пустым.\r"));
    if (p.number("Date11") < p.number("Date12"))
        findings.set(1, QStringLiteral("ВНИМАНИЕ! дата поля 12 не должна превышать дату поля 11\r"));
    if (TodayNumber() != p.number("DateIssued") && p.number("BadDate") == 0)
        findings.set(2, QStringLiteral("ВНИМАНИЕ! Дата изменилась\r"));

    const QVariant sameReference = FirstValue(
        dm, QStringLiteral("select ReferenceNo from mcod where (ReferenceNo = :ref) and (id <> :id) and (status <> 8)"),
        {{"ref", referenceNo}, {"id", p.number("id")}});
    if (sameReference.isValid())
        findings.raise(QStringLiteral("ВНИМАНИЕ! Номер ") + referenceNo + QStringLiteral(" уже был использован.\r"));

    const QVariant sameCertNo = FirstValue(
        dm, QStringLiteral("select CertNo from mcod where (id <> :id) and (CertNo = :certNo) and (Language = :lang)"),
        {{"id", p.number("id")}, {"certNo", p.number("CertNo")}, {"lang", p.text("Language")}});
    if (sameCertNo.isValid())
        findings.raise(QStringLiteral("ВНИМАНИЕ! бланк ") + QString::number(p.number("CertNo"))
                       + QStringLiteral(" уже был использован.\r"));

    const qint64 numNum = p.number("NumNum");
    if (numNum < qint64(app.NumberRangeMin) || numNum > qint64(app.NumberRangeMax))
        findings.set(2, QStringLiteral("ВНИМАНИЕ! Номер документа вышел за допустимый диапазон. Администратор должен "
                                       "сменить диапазон допустимых номеров.\r"));

    if (expert.size() > 100)
        findings.raise(expertTooLong);
    if (expert.isEmpty())
        findings.set(2, QStringLiteral("ВНИМАНИЕ! Параметр поля \"Эксперт\" не должен быть пустым.\r"));
    if (badExpert.size() > 100)
        findings.raise(expertTooLong);

    for (const LengthRule &rule : HeadLengthRules) {
        const QString value = rule.wide ? p.wide(rule.param) : p.text(rule.param);
        if (value.size() > rule.limit)
            findings.raise(QStringLiteral("ВНИМАНИЕ! Параметр ") + QString::fromUtf8(rule.name)
                           + QStringLiteral(" не должен превышать ") + Limit(rule.limit) + QStringLiteral(" символов.\r"));
    }

    const QString country12 = p.text("Country12");
    if (country12.isEmpty())
        findings.set(1, QStringLiteral("ВНИМАНИЕ! Параметр Страна поля 12 должен быть определён.\r"));
    if (WithoutBlanksAndControls(country12).isEmpty())
        findings.set(1, QStringLiteral("ВНИМАНИЕ! Параметр Страна поля 12 должен иметь печатные символы.\r"));

    if (!p.flag("actPresent14")) {
        const QString actNumber = p.wide("actNumber14");
        if (actNumber.isEmpty())
            findings.blockIfNone(QStringLiteral("ВНИМАНИЕ! Поле 14. Номер акта экспертизы не должен быть пустым\r"));
        if (actNumber.size() > 50)
            findings.blockIfNone(QStringLiteral("ВНИМАНИЕ! Поле 14. Номер акта экспертизы не должен превышать ") + Limit(50)
                                 + QStringLiteral(" символов\r"));
        if (p.number("actDate14") == 0)
            findings.blockIfNone(QStringLiteral("ВНИМАНИЕ! Поле 14. дата акта экспертизы не должна быть пустой\r"));
    }
}

void CheckGoodsLines(TDM &dm, Findings &findings)
{
    SqliteStatement lines(dm.ASQLite3DBd, QStringLiteral("select * from dcod where (idM = :id)"));
    lines.bindInteger(QStringLiteral("id"), InsertParams(dm).number("id"));
    QList<int> columns;
    for (const GoodsRule &rule : GoodsLengthRules) {
        int found = -1;
        for (int c = 0; c < lines.columnCount(); ++c)
            if (lines.columnName(c).compare(QLatin1String(rule.column), Qt::CaseInsensitive) == 0)
                found = c;
        if (found < 0)
            throw AppError(QStringLiteral("Field '") + QLatin1String(rule.column) + QStringLiteral("' not found"));
        columns << found;
    }
    for (int line = 1; lines.step(); ++line) {
        for (qsizetype r = 0; r < columns.size(); ++r) {
            const GoodsRule &rule = GoodsLengthRules[r];
            if (WideTextFromBytes(lines.columnBlob(columns[r])).size() > rule.limit)
                findings.raise(QStringLiteral("ВНИМАНИЕ! Позиция ") + QString::number(line) + QString::fromUtf8(rule.part)
                               + Limit(rule.limit) + QStringLiteral(" символов.\r"));
        }
    }
}

// ---------------------------------------------------------------- status changes

// Asks whether to go on despite the findings; only a box with Yes can say yes.
bool GoOnDespite(const TStatusCheckError &check, bool mayGoOn)
{
    const int answer = Prompts().ask(check.text + QStringLiteral("\rПРОДОЛЖИТЬ НЕСМОТРЯ НА ОШИБКИ?"), App().MessageTitle,
                                     Prompt::Error, mayGoOn ? Prompt::YesNo : Prompt::NoOnly);
    return mayGoOn && answer == Prompt::IdYes;
}

void WriteStatusRecord(TDM &dm, uint8_t status)
{
    const InsertParams p(dm);
    WriteEventLog(EventType::Information, EventCategory::UserAction, EventId::StatusChanged,
                  {App().CurrentUserName, QString::number(status),
                   p.text("ReferenceNo") + QStringLiteral(" бланк ") + QString::number(p.number("CertNo"))});
}

// Runs one update of the certificate's row in its own transaction. A failure
// is shown, rolled back and answered with false.
bool WriteStatus(TDM &dm, const QString &sql, std::initializer_list<Binding> values)
{
    try {
        SqliteTransaction transaction(dm.ASQLite3DBd);
        {
            SqliteStatement update(dm.ASQLite3DBd, sql);
            for (const Binding &value : values)
                update.bindValue(QString::fromLatin1(value.first), value.second);
            update.execute();
        }
        transaction.commit();
        return true;
    } catch (const std::exception &e) {
        Prompts().ask(QStringLiteral("Статус изменить не удалось: ") + ExceptionText(e), App().MessageTitle,
                      Prompt::Error, Prompt::Ok);
        return false;
    }
}

// Copies the attached file next to the data files, where the upload finds it.
void CopyAttachedFile(TDM &dm, Findings &findings)
{
    const InsertParams p(dm);
    const QString source = p.wide("fileName13");
    if (source.isEmpty())
        return;
    const QString failure = QStringLiteral(" \r Проблема с копированием файла.\r");
    try {
        const QString target = AttachedFileCopyPath(dm.dataDir(), p["ReferenceNo"].asBytes(), p.number("CertNo"));
        const uint32_t error = CopyFileReplacing(source, target);
        if (error != 0)
            findings.raise(QStringLiteral("Поле13. ") + SysErrorText(error) + failure);
    } catch (const std::exception &e) {
        findings.raise(QStringLiteral("Поле13. ") + ExceptionText(e) + failure);
    }
}

bool CheckProjectBeforeSave(TDM &dm)
{
    const InsertParams p(dm);
    p["status"].setInteger(6);
    TStatusCheckError check;
    CheckCert(dm, check);
    Findings findings(check);
    if (p.wide("Exporter").isEmpty())
        findings.raise(QStringLiteral("Поле1. Экспортёр инкогнито оставаться не может.\r"));
    if (p.wide("Importer").isEmpty())
        findings.raise(QStringLiteral("Поле2. Импортёр инкогнито оставаться не может.\r"));
    if (p.text("Country5").isEmpty())
        findings.raise(QStringLiteral("Поле5. Отсутствует страна.\r"));
    if (p.text("Country12").isEmpty())
        findings.raise(QStringLiteral("Поле12. Не выбрана страна.\r"));
    CopyAttachedFile(dm, findings);
    if (check.level == 0)
        return true;
    return GoOnDespite(check, check.level == 1);
}

bool CheckDuplicate(TDM &dm)
{
    TStatusCheckError check;
    CheckCert(dm, check);
    if (check.level != 0 && !GoOnDespite(check, false))
        return false;
    WriteStatusRecord(dm, 10);
    return true;
}

// Spoilt blank (8) or cancelled (9).
bool WithdrawListRow(TDM &dm, uint8_t status)
{
    CopyListRowToInsertParams(dm);
    const InsertParams p(dm);
    p["status"].setInteger(status);
    p["BadDate"].setInteger(TodayNumber());
    p["BadExpert"].setText(App().CurrentUserName);
    p["LastDate"].setInteger(LaterDayNumber(p["DateIssued"].value(), p["BadDate"].value()));
    const qint64 id = p.number("id");
    if (!WriteStatus(dm,
                     QStringLiteral("update mcod SET status = :status, BadExpert = :badExpert, BadDate = :badDate, "
                                    "LastDate = :lastDate where id = :id"),
                     {{"status", qint64(status)},
                      {"badExpert", p.text("BadExpert")},
                      {"badDate", p.number("BadDate")},
                      {"lastDate", p.number("LastDate")},
                      {"id", id}}))
        return false;
    WriteStatusRecord(dm, status);
    ReopenCertificateList(dm, id);
    return true;
}

// Issued (7), or issued with the attached file still to be sent (5).
bool IssueListRow(TDM &dm, uint8_t status)
{
    CopyListRowToInsertParams(dm);
    TStatusCheckError check;
    CheckCert(dm, check);
    if (check.level != 0 && !GoOnDespite(check, false))
        return false;
    const InsertParams p(dm);
    p["status"].setInteger(status);
    p["LastDate"].setInteger(LaterDayNumber(p["DateIssued"].value(), p["BadDate"].value()));
    const qint64 id = p.number("id");
    if (!WriteStatus(dm, QStringLiteral("update mcod SET status = :status, LastDate = :lastDate where id = :id"),
                     {{"status", qint64(status)}, {"lastDate", p.number("LastDate")}, {"id", id}}))
        return false;
    WriteStatusRecord(dm, status);
    ReopenCertificateList(dm, id);
    return true;
}

// ---------------------------------------------------------------- templates and duplicates

QString DuplicateFirstLine(const QString &language, const QString &referenceNo, qint64 date11)
{
    const bool russian = language == QLatin1String("ru");
    return (russian ? QStringLiteral("Дубликат сертификата № ") : QStringLiteral("Duplicate of certificate № "))
        + referenceNo.left(4) + QLatin1Char(' ') + referenceNo.mid(4, 6)
        + (russian ? QStringLiteral(" от ") : QStringLiteral(" from ")) + FormatDayNumber(date11)
        + QStringLiteral("\r\n");
}

} // namespace

// ---------------------------------------------------------------- public routines

void MaxNumberPaperToTag(TDM &dm)
{
    SetTag(dm.ASQM, 0);
    try {
        const qint64 min = App().NumberRangeMin;
        const qint64 max = App().NumberRangeMax;
        const QString noRange = QStringLiteral("Администратор АРМа должен задать диапазон допустимых номеров");
        if (min == 0) {
            Prompts().ask(noRange, App().MessageTitle, Prompt::Error, Prompt::Ok);
            throw AppError(QStringLiteral("RefMin <= 0"));
        }
        if (max < min) {
            Prompts().ask(noRange, App().MessageTitle, Prompt::Error, Prompt::Ok);
            throw AppError(QStringLiteral("RefMin > RefMax"));
        }

        SqliteStatement used(dm.ASQLite3DBd,
                             QStringLiteral("select NumNum from mcod where (GNum = :year) and (NumNum >= :min) and "
                                            "(NumNum <= :max) and (status <> 8) order by NumNum"));
        used.bindInteger(QStringLiteral("year"), YearDigitOf(Today()));
        used.bindInteger(QStringLiteral("min"), min);
        used.bindInteger(QStringLiteral("max"), max);
        qint64 expected = min;
        while (used.step()) {
            const qint64 number = used.columnInteger(0);
            if (number == expected)
                ++expected;
            else if (number > expected)
                break; // a gap: expected is free
            // a number below expected repeats one already counted
        }

        if (expected >= min && expected <= max)
            SetTag(dm.ASQM, int32_t(expected));
        else
            Prompts().ask(QStringLiteral("Администратор должен задать АРМу новый диапазон номеров."), App().MessageTitle,
                          Prompt::Error, Prompt::Ok);
    } catch (const std::exception &e) {
        SetTag(dm.ASQM, 0);
        LogException("DataTessal.TDM.MaxNumberPaperToTag", e);
    }
}

int32_t GetNewId(TDM &dm, const QString &Language)
{
    int32_t result = -1;
    try {
        const QVariant maxId = FirstValue(dm, QStringLiteral("select max(id) as nm from Mcod"));
        bool readable = false;
        const qint64 largest = maxId.toLongLong(&readable);
        result = readable ? int32_t(largest + 1) : 1;

        int32_t &proposed = App().ProposedCertNo;
        proposed = 0;
        // The largest id of the language: walking down the id index, the first
        // row of that language ("+" keeps the planner off the language index,
        // which would read every row of the language to sort them).
        const qint64 newest = FirstValue(dm,
                                         QStringLiteral("select id as nm from Mcod where +language = :lang "
                                                        "order by id desc limit 1"),
                                         {{"lang", Language}})
                                  .toLongLong();
        const QVariant certNo =
            FirstValue(dm, QStringLiteral("select CertNo from mcod where id = :id"), {{"id", newest}});
        if (certNo.isValid())
            proposed = int32_t(certNo.toLongLong() + 1);

        if (proposed != 0) {
            const qint64 taken = FirstValue(dm,
                                            QStringLiteral("select count(*) as CertNo from mcod where (CertNo = :certNo) "
                                                           "and (language = :lang)"),
                                            {{"certNo", proposed}, {"lang", Language}})
                                     .toLongLong();
            if (taken > 0)
                proposed = 0;
        }
        if (proposed == 0) {
            const QVariant largestCertNo = FirstValue(
                dm, QStringLiteral("select max(CertNo) as mCertNo from mcod where language = :lang"), {{"lang", Language}});
            proposed = largestCertNo.isValid() ? int32_t(largestCertNo.toLongLong() + 1) : 0;
        }
    } catch (const std::exception &e) {
        LogFunctionFailure("DataTessal.TDM.GetNewId", ExceptionText(e));
    }
    return result;
}

void SetYearDigit(TDM &dm)
{
    const InsertParams p(dm);
    const QByteArray digit = YearLastDigit(DateOfDayNumber(p.number("Date11")));
    QString referenceNo = p.text("ReferenceNo");
    if (referenceNo.isEmpty())
        throw AppError(QStringLiteral("ReferenceNo is empty"));
    p["GNum"].setInteger(digit.toInt());
    referenceNo[0] = QLatin1Char(digit.at(0));
    p["ReferenceNo"].setText(referenceNo);
}

void CheckCert(TDM &dm, TStatusCheckError &Result)
{
    Result = TStatusCheckError();
    if (!dm.ASQM.isActive())
        return;
    Findings findings(Result);
    try {
        CheckHead(dm, findings);
        CheckGoodsLines(dm, findings);
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.CheckCert", e);
    }
}

bool SetStatusPaper(TDM &dm, uint8_t Status)
{
    if (!dm.ASQM.isActive() || Status < 5 || Status > 10)
        return true;
    try {
        switch (Status) {
        case 6: return CheckProjectBeforeSave(dm);
        case 8:
        case 9: return WithdrawListRow(dm, Status);
        case 10: return CheckDuplicate(dm);
        default: return IssueListRow(dm, Status);
        }
    } catch (const std::exception &e) {
        LogFunctionFailure("DataTessal.TDM.SetStatusPaper", ExceptionText(e));
        return false;
    }
}

void TemplateCopy(TDM &dm, bool isDuplicate)
{
    try {
        MaxNumberPaperToTag(dm);
        const int32_t blank = Tag(dm.ASQM);
        if (blank == 0)
            return;
        const auto row = [&dm](const char *name) -> const Field & {
            return dm.ASQM.fieldByName(QString::fromLatin1(name));
        };
        const QString language = row("Language").asString();
        const int32_t newId = GetNewId(dm, language);
        if (newId == -1)
            return;

        const qint64 today = TodayNumber();
        qint64 boxDate = today;
        try {
            if (!row("Date11").isNull())
                boxDate = std::max(today, row("Date11").asInteger());
        } catch (const std::exception &) {
        }

        const InsertParams p(dm);
        const auto copyValue = [&](const char *name) {
            const Field &field = row(name);
            SqlParam &param = p[name];
            if (field.isNull())
                param.clear();
            else if (param.type() == SqlParam::Type::Text)
                param.setText(field.asString());
            else
                param.setInteger(field.asInteger());
        };
        const auto copyBytes = [&](const char *name) { FieldToParam(row(name), p[name]); };
        const auto setNewBlank = [&] {
            p["ReferenceNo"].setText(QString::fromLatin1(MakeReferenceNo(blank)));
            p["GNum"].setInteger(YearDigitOf(Today()));
            p["NumNum"].setInteger(blank);
        };

        for (int box = 1; box <= 12; ++box) {
            const QByteArray name = "fSize" + QByteArray::number(box);
            copyValue(name.constData());
        }
        p["fileComment13"].clear();
        p["fileName13"].clear();
        p["id"].setInteger(newId);
        p["CertNo"].setInteger(App().ProposedCertNo);
        p["Language"].setText(language);
        p["DateIssued"].setInteger(today);
        for (const char *name : {"Sender", "Exporter", "Recipient", "Importer", "transport"})
            copyBytes(name);
        copyValue("Country5");

        if (isDuplicate) {
            p["status"].setInteger(10);
            setNewBlank();
            copyValue("Expert");
            const QString referenceNo = row("ReferenceNo").asString();
            p["OfficialNote"].setBlob(
                WideTextBytes(DuplicateFirstLine(language, referenceNo, row("Date11").asInteger()))
                + row("OfficialNote").asBytes());
            copyBytes("AdditionalInfo");
            copyBytes("DovName");
            copyValue("City11");
            p["Date11"].setInteger(boxDate);
            SetYearDigit(dm);
            copyValue("Country12");
            copyValue("City12");
            p["Date12"].setInteger(boxDate);
            p["BadDate"].setInteger(today);
            p["BadExpert"].setText(App().CurrentUserName);
            for (const char *name : {"goDuplicate", "goInstead", "goCancel"})
                p[name].clear();
            p["goTrue"].setText(referenceNo);
            p["LastDate"].setInteger(today);
            copyBytes("actNumber14");
            copyValue("actDate14");
            if (row("actPresent14").isNull())
                p["actPresent14"].clear();
            else
                p["actPresent14"].setBoolean(row("actPresent14").asBoolean());
        } else {
            p["status"].setInteger(6);
            if (row("status").asInteger() == 8) {
                copyValue("ReferenceNo");
                copyValue("GNum");
                copyValue("NumNum");
            } else {
                setNewBlank();
            }
            copyBytes("OfficialNote");
            copyBytes("AdditionalInfo");
            const QByteArray lang = language.toUtf8();
            WideToParam(dm.ReadPhrase(lang, 42), p["DovName"]);
            p["City11"].setText(dm.ReadPhrase(lang, 43));
            p["Date11"].setInteger(boxDate);
            SetYearDigit(dm);
            copyValue("Country12");
            copyValue("City12");
            p["Date12"].setInteger(boxDate);
            for (const char *name : {"BadDate", "BadExpert", "goDuplicate", "goInstead", "goCancel", "goTrue"})
                p[name].clear();
            p["LastDate"].setInteger(today);
            p["Expert"].setText(App().CurrentUserName);
            p["actNumber14"].clear();
            p["actDate14"].setInteger(0);
            p["actPresent14"].setBoolean(false);
        }
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.TemplateCopy", e);
    }
}

int32_t GetMinDateOfDocument(TDM &dm)
{
    QVariant earliest;
    try {
        earliest = FirstValue(dm, QStringLiteral("select min(DateIssued) as MinPaper from mcod where (status = 10) or "
                                                 "(status = 8) or (status = 7) or (status = 9)"));
    } catch (const std::exception &e) {
        LogFunctionFailure("DataTessal.TDM.GetMinDateOfDocument", ExceptionText(e));
        throw AppError(QStringLiteral("error in GetMinDateOfDocument"));
    }
    bool readable = false;
    const qint64 day = earliest.toLongLong(&readable);
    return readable && day != 0 ? int32_t(day) : int32_t(TodayNumber());
}

int32_t GetMaxLastDate(TDM &dm)
{
    try {
        bool readable = false;
        const qint64 latest = FirstValue(dm, QStringLiteral("select max(LastDate) as xx from mcod")).toLongLong(&readable);
        if (readable)
            return int32_t(latest);
    } catch (const std::exception &) {
    }
    return int32_t(TodayNumber() - 3);
}

int32_t DaysWithoutSync(TDM &dm)
{
    try {
        const qint64 lastSync =
            ParseStrictDecimal(dm.ReadOption(CommonUser, QStringLiteral("LastSync")).trimmed().toUtf8()).value_or(0);
        bool found = false;
        const qint64 oldest = FirstValue(dm, QStringLiteral("select min(LastDate) as ld from mcod where LastDate > :s"),
                                         {{"s", lastSync}})
                                  .toLongLong(&found);
        const qint64 today = TodayNumber();
        if (!found || oldest > today)
            return 0;
        return int32_t(today - oldest);
    } catch (const std::exception &e) {
        LogFunctionFailure("DataTessal.TDM.DaysWithoutSync", ExceptionText(e));
        return 0;
    }
}
