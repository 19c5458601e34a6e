#include "DataPacket.h"
#include "DayNumbers.h"
#include "StrictDecimal.h"

#include "ClientDataSet.h"
#include "AppError.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <pugixml.hpp>

#include <cmath>
#include <sstream>

namespace {

constexpr int RowDeleted = 2;
constexpr int RowModified = 8;

// Nested datasets deeper than this are refused on reading and on writing, so
// that a hostile file cannot exhaust the stack of the recursive reader. Rows
// nest only where their fields do, so the bound holds for them as well.
constexpr int MaxFieldDepth = 32;

[[noreturn]] void Malformed(const QString &what)
{
    throw AppError("Malformed data packet: " + what);
}

QString Text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

qint64 StrictInteger(const QString &text, const QString &what)
{
    const std::optional<qint64> value = ParseStrictDecimal(text.toUtf8());
    if (!value)
        Malformed("'" + text + "' is not a whole number (" + what + ")");
    return *value;
}

double StrictFloat(const QString &text, const QString &what)
{
    const std::optional<double> value = ParseStrictFloat(text);
    if (!value)
        Malformed("'" + text + "' is not a number (" + what + ")");
    return *value;
}

// ---------------------------------------------------------------- field types

struct TypeName {
    FieldType type;
    QString fieldtype;
    QString subtype;
};

TypeName WrittenType(FieldType type)
{
    switch (type) {
    case FieldType::Integer: return {type, "i4", ""};
    case FieldType::AutoInc: return {type, "i4", "Autoinc"};
    case FieldType::Boolean: return {type, "boolean", ""};
    case FieldType::Float: return {type, "r8", ""};
    case FieldType::Date: return {type, "date", ""};
    case FieldType::DateTime: return {type, "dateTime", ""};
    case FieldType::String: return {type, "string", ""};
    case FieldType::WideString: return {type, "string.uni", ""};
    case FieldType::Memo: return {type, "bin.hex", "Text"};
    case FieldType::Blob: return {type, "bin.hex", "Binary"};
    case FieldType::Nested: return {type, "nested", ""};
    }
    return {type, "", ""};
}

FieldType ReadType(const QString &fieldtype, const QString &subtype, const QString &fieldName)
{
    const QString t = fieldtype.toLower();
    const QString s = subtype.toLower();
    if (t == "i1" || t == "i2" || t == "i4" || t == "i8" || t == "ui1" || t == "ui2" || t == "ui4")
        return s == "autoinc" ? FieldType::AutoInc : FieldType::Integer;
    if (t == "boolean")
        return FieldType::Boolean;
    if (t == "r8")
        return FieldType::Float;
    if (t == "date")
        return FieldType::Date;
    if (t == "datetime")
        return FieldType::DateTime;
    if (t == "string")
        return FieldType::String;
    if (t == "string.uni")
        return FieldType::WideString;
    if (t == "bin.hex")
        return (s == "text" || s == "widetext" || s == "formatted") ? FieldType::Memo : FieldType::Blob;
    if (t == "nested")
        return FieldType::Nested;
    Malformed("unsupported field type '" + fieldtype + "' of field '" + fieldName + "'");
}

QString TooDeep()
{
    return QString("fields nest deeper than %1 levels").arg(MaxFieldDepth);
}

// What keeps one level of field definitions (at Depth, the top being 1) out of
// a packet; empty when nothing does. Names are compared as dataset fields
// compare them, and no field may take the name of the row's own attribute.
QString FieldLevelProblem(const QList<FieldDef> &defs, int depth)
{
    if (depth > MaxFieldDepth)
        return TooDeep();
    for (int i = 0; i < defs.size(); ++i) {
        if (defs[i].name == QLatin1String("RowState"))
            return "a field may not be named RowState";
        for (int j = 0; j < i; ++j)
            if (defs[j].name.compare(defs[i].name, Qt::CaseInsensitive) == 0)
                return "duplicate field name '" + defs[i].name + "'";
    }
    return QString();
}

QList<FieldDef> ReadFields(const pugi::xml_node &fieldsNode, int depth)
{
    if (depth > MaxFieldDepth)
        Malformed(TooDeep());
    QList<FieldDef> defs;
    for (const pugi::xml_node &node : fieldsNode.children("FIELD")) {
        FieldDef def;
        def.name = Text(node.attribute("attrname").value());
        if (def.name.isEmpty())
            Malformed("a FIELD without attrname");
        def.type = ReadType(Text(node.attribute("fieldtype").value()), Text(node.attribute("SUBTYPE").value()),
                            def.name);
        def.required = Text(node.attribute("required").value()).compare("true", Qt::CaseInsensitive) == 0;
        if (const pugi::xml_attribute width = node.attribute("WIDTH")) {
            const qint64 bytes = StrictInteger(Text(width.value()), "WIDTH of " + def.name);
            if (bytes < 0 || bytes > 0x7fffffff)
                Malformed("WIDTH of " + def.name + " out of range");
            def.size = int(def.type == FieldType::WideString ? bytes / 2 : bytes);
        }
        if (def.type == FieldType::Nested) {
            const pugi::xml_node nestedFields = node.child("FIELDS");
            if (!nestedFields)
                Malformed("nested field '" + def.name + "' without FIELDS");
            def.nested = ReadFields(nestedFields, depth + 1);
        }
        defs.append(def);
    }
    const QString problem = FieldLevelProblem(defs, depth);
    if (!problem.isEmpty())
        Malformed(problem);
    return defs;
}

// ---------------------------------------------------------------- values

QVariant ReadValue(const FieldDef &def, const QString &text)
{
    switch (def.type) {
    case FieldType::Integer:
    case FieldType::AutoInc:
        return QVariant(StrictInteger(text, def.name));
    case FieldType::Boolean:
        if (text.compare("TRUE", Qt::CaseInsensitive) == 0)
            return QVariant(true);
        if (text.compare("FALSE", Qt::CaseInsensitive) == 0)
            return QVariant(false);
        Malformed("'" + text + "' is not a Boolean (" + def.name + ")");
    case FieldType::Float:
        return QVariant(StrictFloat(text, def.name));
    case FieldType::Date:
    case FieldType::DateTime: {
        static const QRegularExpression pattern("^([0-9]{4})([0-9]{2})([0-9]{2})(T([0-9]{2}):([0-9]{2}):([0-9]{2})([0-9]{3})?)?$");
        const auto m = pattern.match(text);
        const QDate date = m.hasMatch() ? QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt())
                                        : QDate();
        if (!date.isValid())
            Malformed("'" + text + "' is not a date (" + def.name + ")");
        const qint64 day = DayNumberOf(date);
        if (def.type == FieldType::Date)
            return QVariant(day);
        const QTime time = m.captured(4).isEmpty()
                               ? QTime(0, 0)
                               : QTime(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(7).toInt(),
                                       m.captured(8).isEmpty() ? 0 : m.captured(8).toInt());
        if (!time.isValid())
            Malformed("'" + text + "' is not a time (" + def.name + ")");
        return QVariant(double(day) + time.msecsSinceStartOfDay() / 86400000.0);
    }
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::Memo:
        return QVariant(text);
    case FieldType::Blob: {
        const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            Malformed("the value of '" + def.name + "' is not base64");
        return QVariant(decoded.decoded.isNull() ? QByteArray("") : decoded.decoded);
    }
    case FieldType::Nested:
        break;
    }
    return QVariant();
}

QString WriteValue(const FieldDef &def, const QVariant &value)
{
    switch (def.type) {
    case FieldType::Integer:
    case FieldType::AutoInc:
        return QString::number(value.toLongLong());
    case FieldType::Boolean:
        return value.toBool() ? "TRUE" : "FALSE";
    case FieldType::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case FieldType::Date:
        return DateOfDayNumber(value.toLongLong()).toString("yyyyMMdd");
    case FieldType::DateTime: {
        const double v = value.toDouble();
        const double day = std::floor(v);
        const int ms = int(std::llround((v - day) * 86400000.0));
        const QDate date = DateOfDayNumber(qint64(day));
        if (ms >= 86400000)
            return date.addDays(1).toString("yyyyMMdd") + "T00:00:00000";
        const QTime time = QTime::fromMSecsSinceStartOfDay(ms);
        return date.toString("yyyyMMdd") + "T" + time.toString("HH:mm:ss") +
               QString("%1").arg(time.msec(), 3, 10, QChar('0'));
    }
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::Memo:
        return value.toString();
    case FieldType::Blob:
        return QString::fromLatin1(value.toByteArray().toBase64());
    case FieldType::Nested:
        break;
    }
    return QString();
}

// ---------------------------------------------------------------- rows

void ReadRowContent(const pugi::xml_node &node, const QList<FieldDef> &defs, DataRow &row, bool overlay);

std::shared_ptr<RowTable> ReadRows(const pugi::xml_node &parent, const QString &rowName, const QList<FieldDef> &defs)
{
    auto table = std::make_shared<RowTable>();
    const QByteArray name = rowName.toUtf8();
    for (const pugi::xml_node &node : parent.children(name.constData())) {
        int state = 0;
        if (const pugi::xml_attribute rs = node.attribute("RowState"))
            state = int(StrictInteger(Text(rs.value()), "RowState"));
        if (state & RowDeleted)
            continue;
        if ((state & RowModified) && !table->rows.empty()) {
            // A change-log entry: the fields it carries replace those of the row before it.
            ReadRowContent(node, defs, table->rows.back(), true);
            continue;
        }
        DataRow row = MakeEmptyRow(defs);
        ReadRowContent(node, defs, row, false);
        table->rows.push_back(std::move(row));
    }
    return table;
}

void ReadRowContent(const pugi::xml_node &node, const QList<FieldDef> &defs, DataRow &row, bool overlay)
{
    for (int i = 0; i < defs.size(); ++i) {
        const FieldDef &def = defs[i];
        const QByteArray name = def.name.toUtf8();
        if (def.type == FieldType::Nested) {
            const pugi::xml_node holder = node.child(name.constData());
            if (holder || !overlay)
                row.nested[size_t(i)] = ReadRows(holder, "ROW" + def.name, def.nested);
            continue;
        }
        const pugi::xml_attribute attr = node.attribute(name.constData());
        if (attr)
            row.values[i] = ReadValue(def, Text(attr.value()));
        else if (!overlay)
            row.values[i] = QVariant();
    }
}

void WriteFields(pugi::xml_node fieldsNode, const QList<FieldDef> &defs, int depth)
{
    const QString problem = FieldLevelProblem(defs, depth);
    if (!problem.isEmpty())
        throw AppError("Cannot write the data packet: " + problem);
    for (const FieldDef &def : defs) {
        pugi::xml_node node = fieldsNode.append_child("FIELD");
        const TypeName written = WrittenType(def.type);
        node.append_attribute("attrname") = def.name.toUtf8().constData();
        node.append_attribute("fieldtype") = written.fieldtype.toUtf8().constData();
        if (def.required)
            node.append_attribute("required") = "true";
        if (def.type == FieldType::AutoInc)
            node.append_attribute("readonly") = "true";
        if (!written.subtype.isEmpty())
            node.append_attribute("SUBTYPE") = written.subtype.toUtf8().constData();
        if (def.size > 0 && def.type != FieldType::Nested) {
            const qint64 width = def.type == FieldType::WideString ? qint64(def.size) * 2 : def.size;
            node.append_attribute("WIDTH") = QByteArray::number(width).constData();
        }
        if (def.type == FieldType::Nested) {
            WriteFields(node.append_child("FIELDS"), def.nested, depth + 1);
            node.append_child("PARAMS");
        }
    }
}

void WriteRows(pugi::xml_node parent, const QString &rowName, const QList<FieldDef> &defs, const RowTable &table)
{
    const QByteArray name = rowName.toUtf8();
    for (const DataRow &row : table.rows) {
        pugi::xml_node node = parent.append_child(name.constData());
        node.append_attribute("RowState") = "4";
        for (int i = 0; i < defs.size(); ++i) {
            const FieldDef &def = defs[i];
            if (def.type == FieldType::Nested || !row.values[i].isValid())
                continue;
            node.append_attribute(def.name.toUtf8().constData()) = WriteValue(def, row.values[i]).toUtf8().constData();
        }
        for (int i = 0; i < defs.size(); ++i) {
            const FieldDef &def = defs[i];
            if (def.type != FieldType::Nested || !row.nested[size_t(i)] || row.nested[size_t(i)]->rows.empty())
                continue;
            pugi::xml_node holder = node.append_child(def.name.toUtf8().constData());
            WriteRows(holder, "ROW" + def.name, def.nested, *row.nested[size_t(i)]);
        }
    }
}

} // namespace

void LoadDataPacket(ClientDataSet &dataSet, const QByteArray &xml)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(xml.constData(), size_t(xml.size()), pugi::parse_default, pugi::encoding_auto);
    if (!parsed)
        Malformed(QString("%1 at offset %2").arg(Text(parsed.description())).arg(parsed.offset));
    const pugi::xml_node packet = doc.child("DATAPACKET");
    if (!packet)
        Malformed("no DATAPACKET element");
    const pugi::xml_node fields = packet.child("METADATA").child("FIELDS");
    if (!fields)
        Malformed("no METADATA/FIELDS");
    const QList<FieldDef> defs = ReadFields(fields, 1);
    if (defs.isEmpty())
        Malformed("no fields");
    const pugi::xml_node rowData = packet.child("ROWDATA");
    auto rows = rowData ? ReadRows(rowData, "ROW", defs) : std::make_shared<RowTable>();
    dataSet.loadRows(defs, rows);
}

QByteArray SaveDataPacket(const ClientDataSet &dataSet)
{
    const QList<FieldDef> defs = dataSet.definedFields();
    const auto rows = dataSet.rows();
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("standalone") = "yes";
    pugi::xml_node packet = doc.append_child("DATAPACKET");
    packet.append_attribute("Version") = "2.0";
    pugi::xml_node metadata = packet.append_child("METADATA");
    WriteFields(metadata.append_child("FIELDS"), defs, 1);
    metadata.append_child("PARAMS");
    pugi::xml_node rowData = packet.append_child("ROWDATA");
    if (rows)
        WriteRows(rowData, "ROW", defs, *rows);
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    const std::string text = out.str();
    return QByteArray(text.data(), qsizetype(text.size()));
}
