#include "PacketRows.h"

#include "AppError.h"
#include "BorinWin.h"
#include "DataSet.h"
#include "DovDCP.h"
#include "GGDateTime.h"
#include "PacketText.h"
#include "SqliteDatabase.h"
#include "XmlCharacters.h"

namespace {

enum class Value {
    Text,           // the column's text as stored
    BlankNo,        // the number in seven digits
    Date,           // "DD.MM.YYYY"; a row without the date cannot be sent
    DateIfPositive, // "DD.MM.YYYY" only for a date after day 0
    WideLines,      // wide-text blob, line breaks as "&#xA;"
    Exporter,       // wide-text blob; line breaks as "&#xA;" where the rules say so
    DovInfo,        // as WideLines; ".." when nothing is left
    City,           // the text's first 100 characters
    FontSizes,      // fSize1 .. fSize12
    FileText,       // as WideLines, where the rules send the attached file's texts
    Act,            // actPresent, then actDate and actNumber when there is an act
};

struct HeadAttribute {
    const char *name;
    const char *column;
    Value value;
};

// The attributes of a row in the order the server reads them.
constexpr HeadAttribute HeadAttributes[] = {
    {"status", "status", Value::Text},
    {"referenceNo", "ReferenceNo", Value::Text},
    {"blankNo", "CertNo", Value::BlankNo},
    {"issued", "DateIssued", Value::Date},
    {"language", "Language", Value::Text},
    {"modified", "BadDate", Value::DateIfPositive},
    {"hasDuplicate", "goDuplicate", Value::Text},
    {"duplicateFor", "goTrue", Value::Text},
    {"expert", "Expert", Value::Text},
    {"modifierExpert", "BadExpert", Value::Text},
    {"exporter", "Exporter", Value::Exporter},
    {"sender", "Sender", Value::WideLines},
    {"importer", "Importer", Value::WideLines},
    {"recipient", "Recipient", Value::WideLines},
    {"transport", "transport", Value::WideLines},
    {"officialNote", "OfficialNote", Value::WideLines},
    {"madeIn", "Country5", Value::Text},
    {"supportInfo", "AdditionalInfo", Value::WideLines},
    {"dovInfo", "DovName", Value::DovInfo},
    {"dovCity", "City11", Value::City},
    {"created", "Date11", Value::Date},
    {"declaratorCity", "City12", Value::City},
    {"declaration", "Date12", Value::Date},
    {"importedTo", "Country12", Value::Text},
    {"fSize", "fSize1", Value::FontSizes},
    {"fileComment", "fileComment13", Value::FileText},
    {"fileName", "fileName13", Value::FileText},
    {"actPresent", "actPresent14", Value::Act},
};

// The attributes of a goods line, in order: each column holds wide text
// except dOrder. weightUnit carries d10Weight and weight carries d10Q.
struct GoodsAttribute {
    const char *name;
    const char *column;
};
constexpr GoodsAttribute GoodsAttributes[] = {
    {"itemOrder", "d7Num"},         {"idx", "dOrder"},           {"title", "d8Description"},
    {"packageCount", "d9Count"},    {"packageType", "d9Package"}, {"weightUnit", "d10Weight"},
    {"weight", "d10Q"},
};
constexpr int GoodsOrderIndex = 1;

constexpr qsizetype CityLength = 100;
constexpr int FontSizeCount = 12;
const QString GoodsFailure = QStringLiteral(" Вероятно не смогли затолкать строку в xml: ");

int ColumnOf(const SqliteStatement &statement, const QString &name)
{
    for (int column = 0; column < statement.columnCount(); ++column) {
        if (statement.columnName(column).compare(name, Qt::CaseInsensitive) == 0)
            return column;
    }
    throw AppError(QStringLiteral("Field '%1' not found").arg(name));
}

QString WideText(const SqliteStatement &statement, int column)
{
    return WideTextFromBytes(statement.columnBlob(column));
}

} // namespace

PacketRowBuilder::PacketRowBuilder(SqliteDatabase &db, SqliteStatement &head, const PacketRowRules &rules)
    : m_head(head)
    , m_goods(std::make_unique<SqliteStatement>(db, QStringLiteral("select * from dcod where idM = :idM")))
    , m_rules(rules)
{
    for (const HeadAttribute &attribute : HeadAttributes)
        m_headColumns.push_back(ColumnOf(head, QString::fromLatin1(attribute.column)));
    for (int box = 1; box <= FontSizeCount; ++box)
        m_fontSizeColumns.push_back(ColumnOf(head, QStringLiteral("fSize") + QString::number(box)));
    m_idColumn = ColumnOf(head, QStringLiteral("id"));
    m_actDateColumn = ColumnOf(head, QStringLiteral("actDate14"));
    m_actNumberColumn = ColumnOf(head, QStringLiteral("actNumber14"));
    for (const GoodsAttribute &attribute : GoodsAttributes)
        m_goodsColumns.push_back(ColumnOf(*m_goods, QString::fromLatin1(attribute.column)));
}

PacketRowBuilder::~PacketRowBuilder() = default;

qint64 PacketRowBuilder::id() const
{
    return m_head.columnInteger(m_idColumn);
}

QString PacketRowBuilder::wide(int column) const
{
    return WideText(m_head, column);
}

int64_t PacketRowBuilder::requiredDay(int column, const char *name) const
{
    if (m_head.isNull(column))
        throw AppError(QStringLiteral("Field '%1' holds no date").arg(QLatin1String(name)));
    return CoerceFieldValue(FieldType::Integer, m_head.columnValue(column), QLatin1String(name)).toLongLong();
}

void PacketRowBuilder::build(pugi::xml_node row)
{
    for (size_t i = 0; i < std::size(HeadAttributes); ++i) {
        const HeadAttribute &attribute = HeadAttributes[i];
        const int column = m_headColumns[i];
        switch (attribute.value) {
        case Value::Text:
            SetPacketAttribute(row, attribute.name, m_head.columnText(column));
            break;
        case Value::BlankNo:
            SetPacketAttribute(row, attribute.name, PadLeftW(QString::number(m_head.columnInteger(column)), u'0', 7));
            break;
        case Value::Date:
            SetPacketAttribute(row, attribute.name, FormatDayNumber(requiredDay(column, attribute.column)));
            break;
        case Value::DateIfPositive:
            if (!m_head.isNull(column) && m_head.columnInteger(column) > 0)
                SetPacketAttribute(row, attribute.name, FormatDayNumber(m_head.columnInteger(column)));
            break;
        case Value::Exporter:
            SetPacketAttribute(row, attribute.name, m_rules.exporterLineBreaks ? LineBreaksToXmlEntity(wide(column)) : wide(column));
            break;
        case Value::WideLines:
            SetPacketAttribute(row, attribute.name, LineBreaksToXmlEntity(wide(column)));
            break;
        case Value::DovInfo: {
            const QString text = WithXmlCharactersOnly(LineBreaksToXmlEntity(wide(column)));
            SetPacketAttribute(row, attribute.name, text.isEmpty() ? QStringLiteral("..") : text);
            break;
        }
        case Value::City:
            SetPacketAttribute(row, attribute.name, CutToWholeChars(WithXmlCharactersOnly(m_head.columnText(column)), CityLength));
            break;
        case Value::FontSizes:
            fontSizes(row);
            break;
        case Value::FileText:
            if (m_rules.fileFields)
                SetPacketAttribute(row, attribute.name, LineBreaksToXmlEntity(wide(column)));
            break;
        case Value::Act:
            act(row, column);
            break;
        }
    }
    goods(row.append_child("uGoodsList"));
}

// A size that cannot be read (an older row without sizes) ends the sizes;
// the row goes on without it and the ones after it.
void PacketRowBuilder::fontSizes(pugi::xml_node row)
{
    try {
        for (int box = 0; box < FontSizeCount; ++box) {
            const int column = m_fontSizeColumns[size_t(box)];
            const QString name = QStringLiteral("fSize") + QString::number(box + 1);
            if (m_head.isNull(column))
                return;
            const qint64 size = CoerceFieldValue(FieldType::Integer, m_head.columnValue(column), name).toLongLong();
            SetPacketAttribute(row, name.toLatin1().constData(), QString::number(size));
        }
    } catch (const std::exception &) {
    }
}

// actPresent14 is true when the certificate has no act ("Акт отсутствует").
void PacketRowBuilder::act(pugi::xml_node row, int column)
{
    try {
        if (m_head.isNull(column))
            throw AppError(QStringLiteral("Field 'actPresent14' is empty"));
        const bool absent =
            CoerceFieldValue(FieldType::Boolean, m_head.columnValue(column), QStringLiteral("actPresent14")).toBool();
        SetPacketAttribute(row, "actPresent", BoolToWideDigit(absent));
        if (!absent) {
            SetPacketAttribute(row, "actDate", FormatDayNumber(m_head.columnInteger(m_actDateColumn)));
            SetPacketAttribute(row, "actNumber", wide(m_actNumberColumn));
        }
    } catch (const std::exception &) {
        throw AppError(m_rules.actFailure);
    }
}

void PacketRowBuilder::goods(pugi::xml_node list)
{
    SqliteStatement &lines = *m_goods;
    lines.reset();
    lines.bindInteger(QStringLiteral("idM"), id());
    QString converting;
    try {
        while (lines.step()) {
            pugi::xml_node commodity = list.append_child("commodity");
            for (size_t i = 0; i < std::size(GoodsAttributes); ++i) {
                const int column = m_goodsColumns[i];
                if (int(i) == GoodsOrderIndex) {
                    converting = lines.columnText(column);
                    const QVariant order = lines.columnValue(column);
                    SetPacketAttribute(commodity, GoodsAttributes[i].name,
                        QString::number(order.isValid() ? CoerceFieldValue(FieldType::Integer, order,
                                                                           QStringLiteral("dOrder")).toLongLong()
                                                        : 0));
                } else {
                    converting = WideText(lines, column);
                    SetPacketAttribute(commodity, GoodsAttributes[i].name, LineBreaksToXmlEntity(converting));
                }
            }
        }
    } catch (const std::exception &e) {
        lines.reset();
        throw AppError(ExceptionText(e) + GoodsFailure + converting);
    }
    lines.reset();
}
