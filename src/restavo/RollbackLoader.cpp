#include "RollbackLoader.h"

#include "CommonTessal.h"
#include "DatabaseOptions.h"
#include "DatabaseSchema.h"
#include "DateWords.h"
#include "ExchangeFiles.h"
#include "StartTagLimitDevice.h"
#include "StrictDecimal.h"
#include "SystemErrorTexts.h"
#include "Utf8CheckingDevice.h"
#include "ggError.h"
#include "ggFiles.h"
#include "LineBreaks.h"

#include <QCoreApplication>
#include <QFile>

#include <optional>

namespace {

void Record(uint16_t type, uint16_t category, const QString &text)
{
    WriteEventLog(type, category, EventId::Diagnostic, {text});
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

} // namespace

namespace {

// A document that is not well-formed XML: the run ends without a result.
class DocumentError : public AppError {
public:
    using AppError::AppError;
};

// The texts of one element of a row. A text whose bytes were not UTF-8 keeps
// replacement characters in their place, and the journal says which
// certificate and which field.
class RowTexts {
public:
    RowTexts(const QXmlStreamAttributes &attributes, qint32 index, const QString &referenceNo, const QString &element)
        : m_attributes(attributes), m_index(index), m_referenceNo(referenceNo), m_element(element)
    {
    }

    bool has(const char *name) const { return m_attributes.hasAttribute(QLatin1String(name)); }
    // Empty text when the attribute is missing.
    QString text(const char *name) const
    {
        QString value = m_attributes.value(QLatin1String(name)).toString();
        if (value.contains(QChar(Utf8CheckingDevice::Marker))) {
            value.replace(QChar(Utf8CheckingDevice::Marker), QChar(QChar::ReplacementCharacter));
            WriteEventLog(EventType::Warning, EventCategory::Exchange, EventId::Diagnostic,
                          {QStringLiteral("Восстановление: сертификат %1 (запись %2), поле %3%4: байты не в "
                                          "кодировке UTF-8 заменены знаком \u00ab\ufffd\u00bb")
                               .arg(m_referenceNo)
                               .arg(m_index)
                               .arg(QLatin1String(name), m_element)});
        }
        return value;
    }
    std::optional<QString> optionalText(const char *name) const
    {
        return has(name) ? std::optional<QString>(text(name)) : std::nullopt;
    }

private:
    const QXmlStreamAttributes &m_attributes;
    qint32 m_index;
    QString m_referenceNo;
    QString m_element;
};

// 0 when the attribute is missing; raises when it is there and gives no date.
qint64 OptionalDay(const RowTexts &row, const char *attribute)
{
    return row.has(attribute) ? RequiredDay(row.text(attribute), attribute) : 0;
}

// "1" and "true" (any case) true, "0" and "false" false, else nothing.
std::optional<bool> ReadBoolean(const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    if (*text == QLatin1String("1") || text->compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (*text == QLatin1String("0") || text->compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

} // namespace
TRollback::TRollback(const QString &xmlPath, const QString &dataDir)
    : m_xmlPath(xmlPath), m_file(xmlPath), m_beforeEachChild([](qint32) { QCoreApplication::processEvents(); })
{
    if (!m_file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("%1: %2").arg(xmlPath, RussianSystemText(m_file.errorString())));
    m_device = std::make_unique<Utf8CheckingDevice>(m_file);
    m_limit = std::make_unique<StartTagLimitDevice>(*m_device);
    m_reader.setDevice(m_limit.get());
    // Up to the document element; its children are read by Execute.
    while (!m_reader.atEnd() && m_reader.readNext() != QXmlStreamReader::StartElement) {
    }
    if (!m_reader.isStartElement())
        raiseReaderFailure();
    // Opening a missing file would make an empty database and load into it.
    m_db.open(JoinPath(dataDir, ExchangeFiles::TempDatabase), SqliteDatabase::OpenMode::MustExist);
    // temp.sqb is a scratch copy that replaces the database only when the
    // whole document is in. A killed run loses nothing committed (the journal
    // still rolls a torn transaction back); only a crash of the computer could,
    // and that ends the restore before the copy anyway. So the commits need
    // not wait for the disk, and the journal is emptied rather than deleted.
    m_db.exec(QStringLiteral("PRAGMA synchronous=OFF; PRAGMA journal_mode=TRUNCATE;"));
    PrepareInsert();
}

TRollback::~TRollback() = default;

void TRollback::raiseReaderFailure() const
{
    // The reader ran out of text where the device ended it.
    if (m_reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && !m_limit->refusal().isEmpty())
        throw AppError(m_limit->refusal());
    raiseDocumentError();
}

void TRollback::raiseDocumentError() const
{
    const QString text = m_reader.hasError() ? m_reader.errorString() : QStringLiteral("no document element");
    throw DocumentError(QStringLiteral("%1: %2 (line %3)").arg(m_xmlPath, text).arg(m_reader.lineNumber()));
}

int TRollback::percentRead() const
{
    const qint64 size = m_file.size();
    return size > 0 ? int(m_device->sourceBytesRead() * 100 / size) : 100;
}

void TRollback::PrepareInsert()
{
    m_head = std::make_unique<SqliteStatement>(m_db, Schema::InsertMcod());
    m_goods = std::make_unique<SqliteStatement>(m_db, Schema::InsertDcod);
}

void TRollback::storeLastChange(const QXmlStreamAttributes &arm)
{
    try {
        Record(EventType::AuditSuccess, EventCategory::Diagnostics, QStringLiteral("узел arm найден"));
        if (!arm.hasAttribute(QLatin1String("lastKnownChange")))
            return;
        const QString value = arm.value(QLatin1String("lastKnownChange")).toString();
        Record(EventType::AuditSuccess, EventCategory::Diagnostics, QStringLiteral("lastKnownChange = ") + value);
        SaveOptionRecorded(m_db, CommonUser, QStringLiteral("lastChange"), value, QStringLiteral("uRollback"));
    } catch (...) {
        // The option is a convenience; the certificates are what counts.
    }
}

namespace {

enum class ChildKind { Element, Text, End };

// The next child of the document element: an element (the reader stands on
// its start), a text that is not only white space, or the end.
ChildKind NextChild(QXmlStreamReader &reader)
{
    for (;;) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            return ChildKind::Element;
        case QXmlStreamReader::Characters:
            if (!reader.isWhitespace())
                return ChildKind::Text;
            break;
        case QXmlStreamReader::EndElement:
        case QXmlStreamReader::EndDocument:
        case QXmlStreamReader::Invalid:
            return ChildKind::End;
        default:
            break; // comments, processing instructions
        }
    }
}

} // namespace

qint32 TRollback::Execute(qint32 startIndex)
{
    qint32 result = -1;
    Record(EventType::AuditSuccess, EventCategory::Diagnostics, QStringLiteral("Вошли с id = %1").arg(startIndex));

    bool armMet = false;
    qint32 index = 0;
    try {
        // The children before the start are passed over unread; an arm among
        // them was taken by the run that loaded that part.
        ChildKind kind = ChildKind::End;
        while (index < startIndex && (kind = NextChild(m_reader)) != ChildKind::End) {
            if (kind == ChildKind::Element) {
                armMet = armMet || m_reader.name() == QLatin1String("arm");
                m_reader.skipCurrentElement();
            }
            if (m_reader.hasError())
                raiseReaderFailure();
            ++index;
        }
        if (m_reader.hasError())
            raiseReaderFailure();

        while (index >= startIndex && (kind = NextChild(m_reader)) != ChildKind::End) {
            m_beforeEachChild(index);
            const QString name = kind == ChildKind::Element ? m_reader.name().toString() : QString();
            if (name != QLatin1String("row")) {
                if (name == QLatin1String("arm") && !armMet) {
                    armMet = true;
                    storeLastChange(m_reader.attributes());
                }
                if (kind == ChildKind::Element)
                    m_reader.skipCurrentElement();
                if (m_reader.hasError())
                    raiseReaderFailure();
                Record(EventType::AuditSuccess, EventCategory::Diagnostics,
                       QStringLiteral("Всего:%1%  Пропускаем %2").arg(percentRead()).arg(name));
                ++index;
                continue;
            }
            if ((index + 1) % 100 == 0)
                Record(EventType::AuditSuccess, EventCategory::Diagnostics,
                       QStringLiteral("Из общего:%1%  Грузим %2").arg(percentRead()).arg(index + 1));
            loadRow(index);
            ++index;
        }
        if (m_reader.hasError())
            raiseReaderFailure();
    } catch (const DocumentError &) {
        throw;
    } catch (const std::exception &e) {
        // The child at Index failed: the next run starts there.
        result = index;
        Record(EventType::Error, EventCategory::Diagnostics,
               QStringLiteral("TRollback.Execute ошибка = ") + ExceptionText(e));
    }
    Record(EventType::AuditSuccess, EventCategory::Diagnostics,
           QStringLiteral("TRollback.Execute Выходим с id = %1").arg(result < 0 ? index : index + 1));
    return result;
}

void TRollback::loadRow(qint32 index)
{
    const QString referenceNo = bindHead(index, m_reader.attributes());
    SqliteTransaction transaction(m_db);
    try {
        m_head->execute();
        if (!insertGoods(index, referenceNo))
            throw AppError(QStringLiteral("uGoodsList is missing"));
        transaction.commit();
    } catch (const DocumentError &) {
        throw; // the transaction rolls back as it goes
    } catch (const std::exception &e) {
        transaction.rollback();
        Record(EventType::Error, EventCategory::Diagnostics,
               QStringLiteral("RollBack с id = %1  %2").arg(index).arg(ExceptionText(e)));
        throw;
    }
}

bool TRollback::insertGoods(qint32 index, const QString &referenceNo)
{
    bool hasGoodsList = false;
    int line = 0;
    while (m_reader.readNextStartElement()) {
        if (!hasGoodsList && m_reader.name() == QLatin1String("uGoodsList")) {
            hasGoodsList = true;
            while (m_reader.readNextStartElement()) {
                if (m_reader.name() == QLatin1String("commodity"))
                    insertGoodsLine(index, referenceNo, ++line);
                m_reader.skipCurrentElement();
            }
        } else {
            m_reader.skipCurrentElement();
        }
    }
    if (m_reader.hasError())
        raiseReaderFailure();
    return hasGoodsList;
}

void TRollback::insertGoodsLine(qint32 index, const QString &referenceNo, int line)
{
    const QXmlStreamAttributes attributes = m_reader.attributes();
    const RowTexts commodity(attributes, index, referenceNo, QStringLiteral(" (товар %1)").arg(line));
    SqliteStatement &goods = *m_goods;
    goods.reset();
    goods.clearBindings();
    goods.bindInteger(QStringLiteral("idM"), qint64(index) + 1);
    goods.bindInteger(QStringLiteral("dOrder"), ParseStrictDecimal(commodity.text("idx").toUtf8()).value_or(1));
    for (const TextColumn &text : GoodsTexts) {
        if (const std::optional<QString> value = commodity.optionalText(text.attribute))
            goods.bindWideBlob(QLatin1String(text.column), StoredText(*value));
        else
            goods.bindNull(QLatin1String(text.column));
    }
    goods.execute();
}

QString TRollback::bindHead(qint32 index, const QXmlStreamAttributes &attributes)
{
    const QString referenceNoRaw = attributes.value(QLatin1String("referenceNo")).toString().replace(
        QChar(Utf8CheckingDevice::Marker), QChar(QChar::ReplacementCharacter));
    const RowTexts row(attributes, index, referenceNoRaw, QString());
    SqliteStatement &head = *m_head;
    head.reset();
    head.clearBindings();
    const qint64 id = qint64(index) + 1;
    head.bindInteger(QStringLiteral("id"), id);
    const qint64 status = RequiredInteger(row.text("status"), "status");
    head.bindInteger(QStringLiteral("status"), status == 1 ? 10 : status);
    head.bindInteger(QStringLiteral("CertNo"), RequiredInteger(row.text("blankNo"), "blankNo"));
    // The reference number names the certificate's files as well.
    const QString referenceNo = row.text("referenceNo");
    if (!IsSafeFileName(referenceNo))
        throw AppError(QStringLiteral("'%1' is not a valid reference number").arg(referenceNo));
    head.bindText(QStringLiteral("ReferenceNo"), referenceNo);
    head.bindInteger(QStringLiteral("GNum"), RequiredInteger(referenceNo.left(1), "referenceNo"));
    head.bindInteger(QStringLiteral("NumNum"), RequiredInteger(referenceNo.mid(4, 6), "referenceNo"));
    const qint64 issued = RequiredDay(row.text("issued"), "issued");
    head.bindInteger(QStringLiteral("DateIssued"), issued);
    for (const TextColumn &text : PlainTexts)
        head.bindText(QLatin1String(text.column), StoredText(row.text(text.attribute)));
    for (const TextColumn &text : WideTexts)
        head.bindWideBlob(QLatin1String(text.column), StoredText(row.text(text.attribute)));
    head.bindInteger(QStringLiteral("Date11"), OptionalDay(row, "created"));
    head.bindInteger(QStringLiteral("Date12"), OptionalDay(row, "declaration"));
    const qint64 modified = DayNumberOfDateWords(row.text("modified")).value_or(0);
    head.bindInteger(QStringLiteral("BadDate"), modified);
    for (const TextColumn &link : Links) {
        if (const std::optional<QString> text = row.optionalText(link.attribute))
            head.bindText(QLatin1String(link.column), *text);
        else
            head.bindNull(QLatin1String(link.column));
    }
    head.bindInteger(QStringLiteral("LastDate"), LaterDayNumber(QVariant(issued), QVariant(modified)));
    for (int box = 1; box <= 12; ++box) {
        const QString name = QStringLiteral("fSize%1").arg(box);
        const std::optional<qint64> size = ParseStrictDecimal(row.text(name.toLatin1().constData()).toUtf8());
        head.bindInteger(name, size.value_or(10));
    }

    // The head keeps the absence of the act; the packet says whether it is there.
    const bool actAbsent = !ReadBoolean(row.optionalText("actPresent")).value_or(false);
    head.bindInteger(QStringLiteral("actPresent14"), actAbsent ? 1 : 0);
    head.bindNull(QStringLiteral("actDate14"));
    head.bindNull(QStringLiteral("actNumber14"));
    if (!actAbsent) {
        const QString actDate = row.text("actDate");
        if (actDate.isEmpty())
            Record(EventType::Error, EventCategory::Exchange, QStringLiteral("(actDate) 14. Дата - обязательное поле."));
        if (const std::optional<int64_t> day = DayNumberOfDateWords(actDate))
            head.bindInteger(QStringLiteral("actDate14"), *day);
        else
            Record(EventType::Error, EventCategory::Exchange, QStringLiteral("aaa actDate="));
        if (const std::optional<QString> actNumber = row.optionalText("actNumber"))
            head.bindWideBlob(QStringLiteral("actNumber14"), StoredText(*actNumber));
        else
            Record(EventType::AuditSuccess, EventCategory::Exchange, QStringLiteral("aaa actNumber="));
    }
    return referenceNo;
}
