#include "RollbackLoader.h"

#include "CommonTessal.h"
#include "DatabaseOptions.h"
#include "DatabaseSchema.h"
#include "DateWords.h"
#include "StrictDecimal.h"
#include "ggError.h"
#include "ggFiles.h"
#include "qlGrids/qlLineBreaks.h"

#include <QCoreApplication>
#include <QFile>

#include <cstring>

namespace {

void Record(uint16_t type, uint16_t category, const QString &text)
{
    WriteEventLog(type, category, EventId::Diagnostic, {text});
}

QString Attribute(const pugi::xml_node &node, const char *name)
{
    return QString::fromUtf8(node.attribute(name).as_string());
}

// Every line break of a restored text as the store keeps it: CR LF.
QString StoredText(const QString &text)
{
    return WidgetToStoredText(StoredToWidgetText(text));
}

// Head columns filled from one attribute each, in the order of the insert.
struct TextColumn {
    const char *column;
    const char *attribute;
};
// UTF-8 text; a missing attribute gives empty text.
const TextColumn PlainTexts[] = {
    {"Language", "language"},         {"Expert", "expert"},       {"Country5", "madeIn"},
    {"City11", "dovCity"},            {"Country12", "importedTo"}, {"City12", "declaratorCity"},
    {"BadExpert", "modifierExpert"},
};
// UTF-16LE text in a blob; a missing attribute gives empty text.
const TextColumn WideTexts[] = {
    {"Sender", "sender"},           {"Exporter", "exporter"},         {"Recipient", "recipient"},
    {"Importer", "importer"},       {"transport", "transport"},       {"OfficialNote", "officialNote"},
    {"AdditionalInfo", "supportInfo"}, {"DovName", "dovInfo"},         {"fileComment13", "fileComment"},
    {"fileName13", "fileName"},
};
// The links between certificates: the text as it stands, NULL when missing.
const TextColumn Links[] = {
    {"goDuplicate", "hasDuplicate"}, {"goInstead", "replacedBy"},
    {"goCancel", "replacementFor"},  {"goTrue", "duplicateFor"},
};
// Goods-line columns: UTF-16LE text, NULL when missing. The packet writer
// fills weight and weightUnit the other way round; they are read as named.
const TextColumn GoodsTexts[] = {
    {"d7Num", "itemOrder"},     {"d8Description", "title"}, {"d9Count", "packageCount"},
    {"d9Package", "packageType"}, {"d10Weight", "weight"},    {"d10Q", "weightUnit"},
};

qint64 RequiredInteger(const QString &text, const char *what)
{
    const std::optional<qint64> value = ParseStrictDecimal(text.toUtf8());
    if (!value)
        throw AppError(QStringLiteral("'%1' is not a valid integer value (%2)").arg(text, QLatin1String(what)));
    return *value;
}

// A day number from "dd.mm.yyyy"; raises when the text gives no date.
qint64 RequiredDay(const QString &text, const char *what)
{
    const std::optional<int64_t> day = DayNumberOfDateWords(text);
    if (!day)
        throw AppError(QStringLiteral("'%1' is not a valid date (%2)").arg(text, QLatin1String(what)));
    return *day;
}

// 0 when the attribute is missing; raises when it is there and gives no date.
qint64 OptionalDay(const pugi::xml_node &row, const char *attribute)
{
    return row.attribute(attribute) ? RequiredDay(Attribute(row, attribute), attribute) : 0;
}

// "1" and "true" (any case) true, "0" and "false" false, else nothing.
std::optional<bool> ReadBoolean(const pugi::xml_attribute &attribute)
{
    if (!attribute)
        return std::nullopt;
    const QString text = QString::fromUtf8(attribute.as_string());
    if (text == QLatin1String("1") || text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text == QLatin1String("0") || text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

} // namespace

TRollback::TRollback(const QString &xmlPath, const QString &dataDir)
    : m_beforeEachChild([](qint32) { QCoreApplication::processEvents(); })
{
    const pugi::xml_parse_result loaded = m_document.load_file(QFile::encodeName(xmlPath).constData());
    if (!loaded)
        throw AppError(QStringLiteral("%1: %2").arg(xmlPath, QString::fromUtf8(loaded.description())));
    // Opening a missing file would make an empty database and load into it.
    m_db.open(JoinPath(dataDir, QStringLiteral("temp.sqb")), SqliteDatabase::OpenMode::MustExist);
    PrepareInsert();
}

TRollback::~TRollback() = default;

void TRollback::PrepareInsert()
{
    m_head = std::make_unique<SqliteStatement>(m_db, Schema::InsertMcod());
    m_goods = std::make_unique<SqliteStatement>(m_db, Schema::InsertDcod);
}

void TRollback::storeLastChange()
{
    try {
        const pugi::xml_node arm = m_document.document_element().child("arm");
        if (!arm)
            return;
        Record(EventType::AuditSuccess, EventCategory::Diagnostics, QStringLiteral("узел arm найден"));
        const pugi::xml_attribute lastKnownChange = arm.attribute("lastKnownChange");
        if (!lastKnownChange)
            return;
        const QString value = QString::fromUtf8(lastKnownChange.as_string());
        Record(EventType::AuditSuccess, EventCategory::Diagnostics, QStringLiteral("lastKnownChange = ") + value);
        SaveOptionRecorded(m_db, CommonUser, QStringLiteral("lastChange"), value, QStringLiteral("uRollback"));
    } catch (...) {
        // The option is a convenience; the certificates are what counts.
    }
}

qint32 TRollback::Execute(qint32 startIndex)
{
    qint32 result = -1;
    Record(EventType::AuditSuccess, EventCategory::Diagnostics, QStringLiteral("Вошли с id = %1").arg(startIndex));
    if (startIndex == 0)
        storeLastChange();

    const pugi::xml_node root = m_document.document_element();
    const qint64 total = std::distance(root.children().begin(), root.children().end());
    qint32 index = 0;
    pugi::xml_node child = root.first_child();
    for (; child && index < startIndex; child = child.next_sibling())
        ++index;
    for (; child; child = child.next_sibling(), ++index) {
        m_beforeEachChild(index);
        if (std::strcmp(child.name(), "row") != 0) {
            Record(EventType::AuditSuccess, EventCategory::Diagnostics,
                   QStringLiteral("Всего:%1  Пропускаем %2").arg(total).arg(QString::fromUtf8(child.name())));
            continue;
        }
        if ((index + 1) % 100 == 0)
            Record(EventType::AuditSuccess, EventCategory::Diagnostics,
                   QStringLiteral("Из общего:%1  Грузим %2").arg(total).arg(index + 1));
        try {
            insertRow(index, child);
        } catch (const std::exception &e) {
            result = index;
            Record(EventType::Error, EventCategory::Diagnostics,
                   QStringLiteral("TRollback.Execute ошибка = ") + ExceptionText(e));
            break;
        }
    }
    Record(EventType::AuditSuccess, EventCategory::Diagnostics,
           QStringLiteral("TRollback.Execute Выходим с id = %1").arg(result < 0 ? index : index + 1));
    return result;
}

void TRollback::insertRow(qint32 index, const pugi::xml_node &row)
{
    SqliteStatement &head = *m_head;
    head.reset();
    head.clearBindings();
    const qint64 id = qint64(index) + 1;
    head.bindInteger(QStringLiteral("id"), id);
    const qint64 status = RequiredInteger(Attribute(row, "status"), "status");
    head.bindInteger(QStringLiteral("status"), status == 1 ? 10 : status);
    head.bindInteger(QStringLiteral("CertNo"), RequiredInteger(Attribute(row, "blankNo"), "blankNo"));
    // The reference number names the certificate's files as well.
    const QString referenceNo = Attribute(row, "referenceNo");
    if (!IsSafeFileName(referenceNo))
        throw AppError(QStringLiteral("'%1' is not a valid reference number").arg(referenceNo));
    head.bindText(QStringLiteral("ReferenceNo"), referenceNo);
    head.bindInteger(QStringLiteral("GNum"), RequiredInteger(referenceNo.left(1), "referenceNo"));
    head.bindInteger(QStringLiteral("NumNum"), RequiredInteger(referenceNo.mid(4, 6), "referenceNo"));
    const qint64 issued = RequiredDay(Attribute(row, "issued"), "issued");
    head.bindInteger(QStringLiteral("DateIssued"), issued);
    for (const TextColumn &text : PlainTexts)
        head.bindText(QLatin1String(text.column), StoredText(Attribute(row, text.attribute)));
    for (const TextColumn &text : WideTexts)
        head.bindWideBlob(QLatin1String(text.column), StoredText(Attribute(row, text.attribute)));
    head.bindInteger(QStringLiteral("Date11"), OptionalDay(row, "created"));
    head.bindInteger(QStringLiteral("Date12"), OptionalDay(row, "declaration"));
    const qint64 modified = DayNumberOfDateWords(Attribute(row, "modified")).value_or(0);
    head.bindInteger(QStringLiteral("BadDate"), modified);
    for (const TextColumn &link : Links) {
        const pugi::xml_attribute attribute = row.attribute(link.attribute);
        if (attribute)
            head.bindText(QLatin1String(link.column), QString::fromUtf8(attribute.as_string()));
        else
            head.bindNull(QLatin1String(link.column));
    }
    head.bindInteger(QStringLiteral("LastDate"), LaterDayNumber(QVariant(issued), QVariant(modified)));
    for (int box = 1; box <= 12; ++box) {
        const QString name = QStringLiteral("fSize%1").arg(box);
        const std::optional<qint64> size = ParseStrictDecimal(row.attribute(name.toLatin1().constData()).as_string());
        head.bindInteger(name, size.value_or(10));
    }

    // The head keeps the absence of the act; the packet says whether it is there.
    const bool actAbsent = !ReadBoolean(row.attribute("actPresent")).value_or(false);
    head.bindInteger(QStringLiteral("actPresent14"), actAbsent ? 1 : 0);
    head.bindNull(QStringLiteral("actDate14"));
    head.bindNull(QStringLiteral("actNumber14"));
    if (!actAbsent) {
        const QString actDate = Attribute(row, "actDate");
        if (actDate.isEmpty())
            Record(EventType::Error, EventCategory::Exchange, QStringLiteral("(actDate) 14. Дата - обязательное поле."));
        if (const std::optional<int64_t> day = DayNumberOfDateWords(actDate))
            head.bindInteger(QStringLiteral("actDate14"), *day);
        else
            Record(EventType::Error, EventCategory::Exchange, QStringLiteral("aaa actDate="));
        const pugi::xml_attribute actNumber = row.attribute("actNumber");
        if (actNumber)
            head.bindWideBlob(QStringLiteral("actNumber14"), StoredText(QString::fromUtf8(actNumber.as_string())));
        else
            Record(EventType::AuditSuccess, EventCategory::Exchange, QStringLiteral("aaa actNumber="));
    }

    SqliteTransaction transaction(m_db);
    try {
        head.execute();
        const pugi::xml_node list = row.child("uGoodsList");
        if (!list)
            throw AppError(QStringLiteral("uGoodsList is missing"));
        SqliteStatement &goods = *m_goods;
        for (pugi::xml_node commodity = list.child("commodity"); commodity;
             commodity = commodity.next_sibling("commodity")) {
            goods.reset();
            goods.clearBindings();
            goods.bindInteger(QStringLiteral("idM"), id);
            goods.bindInteger(QStringLiteral("dOrder"), ParseStrictDecimal(commodity.attribute("idx").as_string()).value_or(1));
            for (const TextColumn &text : GoodsTexts) {
                const pugi::xml_attribute attribute = commodity.attribute(text.attribute);
                if (attribute)
                    goods.bindWideBlob(QLatin1String(text.column), StoredText(QString::fromUtf8(attribute.as_string())));
                else
                    goods.bindNull(QLatin1String(text.column));
            }
            goods.execute();
        }
        transaction.commit();
    } catch (const std::exception &e) {
        transaction.rollback();
        Record(EventType::Error, EventCategory::Diagnostics,
               QStringLiteral("RollBack с id = %1  %2").arg(index).arg(ExceptionText(e)));
        throw;
    }
}
