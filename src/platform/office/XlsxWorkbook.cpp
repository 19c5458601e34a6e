#include "XlsxWorkbook.h"

#include "AppError.h"
#include "XmlCharacters.h"
#include "ZipArchive.h"

#include <QFont>
#include <QImage>
#include <QTextLayout>
#include <QTextOption>

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

const char *const MainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

pugi::xml_document ParseXml(const QByteArray &xml, const QString &part)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.constData(), size_t(xml.size())))
        throw AppError(QStringLiteral("Книга Excel: часть %1 не читается").arg(part));
    return doc;
}

QByteArray XmlBytes(const pugi::xml_document &doc)
{
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw);
    const std::string text = out.str();
    return QByteArray(text.data(), qsizetype(text.size()));
}

QString Utf8(const char *text) { return QString::fromUtf8(text); }

// The text of a shared or inline string item: its own <t>, or its runs' <t>s.
QString StringItemText(pugi::xml_node item)
{
    QString text;
    for (pugi::xml_node child : item.children()) {
        const std::string name = child.name();
        if (name == "t")
            text += Utf8(child.text().get());
        else if (name == "r")
            text += Utf8(child.child("t").text().get());
    }
    return text;
}

// Parses "B12" into (12, 2); false for anything else.
bool ParseCellName(const char *name, int &row, int &column)
{
    row = column = 0;
    const char *p = name;
    while (*p >= 'A' && *p <= 'Z')
        column = column * 26 + (*p++ - 'A' + 1);
    while (*p >= '0' && *p <= '9')
        row = row * 10 + (*p++ - '0');
    return *p == 0 && row > 0 && column > 0;
}

bool ParseRangeName(const QString &text, XlsxRange &range)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.isEmpty() || parts.size() > 2)
        return false;
    const QByteArray first = parts.first().toLatin1();
    const QByteArray last = parts.last().toLatin1();
    return ParseCellName(first.constData(), range.firstRow, range.firstColumn)
        && ParseCellName(last.constData(), range.lastRow, range.lastColumn);
}

// A cell's line break is a line feed alone: Excel shows a carriage return
// as a character of its own, so it is left out with what XML cannot carry.
QString CellText(const QString &text)
{
    return WithXmlCharactersOnly(text).remove(QLatin1Char('\r'));
}

// The worksheet's children in the order the schema wants them.
const char *const SheetOrder[] = {
    "sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetCalcPr",
    "sheetProtection", "protectedRanges", "scenarios", "autoFilter", "sortState", "dataConsolidate",
    "customSheetViews", "mergeCells", "phoneticPr", "conditionalFormatting", "dataValidations",
    "hyperlinks", "printOptions", "pageMargins", "pageSetup", "headerFooter", "rowBreaks", "colBreaks",
    "customProperties", "cellWatches", "ignoredErrors", "smartTags", "drawing", "legacyDrawing",
    "legacyDrawingHF", "picture", "oleObjects", "controls", "webPublishItems", "tableParts", "extLst"};

int SheetOrderOf(const char *name)
{
    for (int i = 0; i < int(std::size(SheetOrder)); ++i)
        if (std::string(SheetOrder[i]) == name)
            return i;
    return int(std::size(SheetOrder));
}

// The child Name of the worksheet, made in its place when absent.
pugi::xml_node SheetChild(pugi::xml_node worksheet, const char *name)
{
    if (pugi::xml_node found = worksheet.child(name))
        return found;
    const int order = SheetOrderOf(name);
    for (pugi::xml_node child : worksheet.children())
        if (SheetOrderOf(child.name()) > order)
            return worksheet.insert_child_before(name, child);
    return worksheet.append_child(name);
}

QString NumberText(double value)
{
    return QString::number(value, 'g', 15);
}

// Excel's digit width in its default font, in pixels at 96 dpi.
constexpr double DigitPixels = 7;

// A column width as the file keeps it (characters, its margins and grid line
// included) to points, the way Excel turns it into whole pixels.
double WidthToPoints(double characters)
{
    return std::trunc((256 * characters + std::trunc(128 / DigitPixels)) / 256 * DigitPixels) * 0.75;
}

// The width of a column that has none of its own: the base width in digits
// with the margins and grid line, made a whole number of 8 pixels.
double DefaultColumnWidth(double baseDigits)
{
    return std::ceil((baseDigits * DigitPixels + 5) / 8) * 8 / DigitPixels;
}

} // namespace

QString XlsxColumnLetters(int column)
{
    QString letters;
    while (column > 0) {
        const int digit = (column - 1) % 26;
        letters.prepend(QChar(u'A' + digit));
        column = (column - 1) / 26;
    }
    return letters;
}

QString XlsxCellName(int row, int column)
{
    return XlsxColumnLetters(column) + QString::number(row);
}

QString XlsxRangeName(const XlsxRange &range)
{
    const QString first = XlsxCellName(range.firstRow, range.firstColumn);
    const QString last = XlsxCellName(range.lastRow, range.lastColumn);
    return first == last ? first : first + QLatin1Char(':') + last;
}

double MeasureWrappedTextHeight(const QString &text, const QString &family, double pointSize, double width)
{
    // A device of 72 dots an inch, so that its pixels are points.
    QImage device(1, 1, QImage::Format_ARGB32);
    device.setDotsPerMeterX(qRound(72 / 0.0254));
    device.setDotsPerMeterY(qRound(72 / 0.0254));
    QFont font(family);
    font.setPointSizeF(pointSize > 0 ? pointSize : 11);
    const double inner = std::max(1.0, width - 4);
    double height = 0;
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font, &device);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(inner);
            height += line.height();
        }
        layout.endLayout();
    }
    return height + 3;
}

// ---- styles

class XlsxStyles {
public:
    explicit XlsxStyles(const QByteArray &xml) : m_doc(ParseXml(xml, QStringLiteral("styles"))) {}

    pugi::xml_node xf(int style) const
    {
        int i = 0;
        for (pugi::xml_node xf : cellXfs().children("xf"))
            if (i++ == style)
                return xf;
        return {};
    }
    pugi::xml_node font(int style) const
    {
        const int fontId = xf(style).attribute("fontId").as_int(0);
        int i = 0;
        for (pugi::xml_node font : fonts().children("font"))
            if (i++ == fontId)
                return font;
        return {};
    }
    double fontSize(int style) const { return font(style).child("sz").attribute("val").as_double(11); }
    QString fontName(int style) const
    {
        const char *name = font(style).child("name").attribute("val").as_string("Calibri");
        return Utf8(name);
    }
    bool wrapText(int style) const { return xf(style).child("alignment").attribute("wrapText").as_bool(false); }

    // The style that is Style with its font at PointSize; made once for each pair.
    int withFontSize(int style, double pointSize)
    {
        if (fontSize(style) == pointSize)
            return style;
        const auto key = std::make_pair(style, pointSize);
        if (auto found = m_sized.find(key); found != m_sized.end())
            return found->second;
        pugi::xml_node fontsNode = fonts();
        pugi::xml_node newFont = fontsNode.append_copy(font(style));
        if (!newFont)
            newFont = fontsNode.append_child("font");
        pugi::xml_node sz = newFont.child("sz");
        if (!sz)
            sz = newFont.prepend_child("sz");
        sz.remove_attribute("val");
        sz.append_attribute("val") = pointSize;
        const int fontId = count(fontsNode);
        pugi::xml_node xfs = cellXfs();
        pugi::xml_node newXf = xfs.append_copy(xf(style));
        if (!newXf)
            newXf = xfs.append_child("xf");
        newXf.remove_attribute("fontId");
        newXf.append_attribute("fontId") = fontId - 1;
        newXf.remove_attribute("applyFont");
        newXf.append_attribute("applyFont") = 1;
        const int created = count(xfs) - 1;
        m_sized.emplace(key, created);
        return created;
    }

    QByteArray xml() const { return XmlBytes(m_doc); }

private:
    pugi::xml_node root() const { return m_doc.child("styleSheet"); }
    pugi::xml_node fonts() const { return root().child("fonts"); }
    pugi::xml_node cellXfs() const { return root().child("cellXfs"); }
    static int count(pugi::xml_node list)
    {
        const int n = int(std::distance(list.children().begin(), list.children().end()));
        list.remove_attribute("count");
        list.append_attribute("count") = n;
        return n;
    }

    pugi::xml_document m_doc;
    std::map<std::pair<int, double>, int> m_sized;
};

// ---- sheet

const XlsxSheet::Cell *XlsxSheet::cell(int row, int column) const
{
    const auto r = m_rows.find(row);
    if (r == m_rows.end())
        return nullptr;
    const auto c = r->second.cells.find(column);
    return c == r->second.cells.end() ? nullptr : &c->second;
}

XlsxSheet::Cell &XlsxSheet::cellForWrite(int row, int column)
{
    return m_rows[row].cells[column];
}

QString XlsxSheet::text(int row, int column) const
{
    const Cell *c = cell(row, column);
    if (!c)
        return QString();
    switch (c->kind) {
    case Cell::Kind::Text: return c->text;
    case Cell::Kind::Number: return NumberText(c->number);
    default: return QString();
    }
}

std::optional<double> XlsxSheet::number(int row, int column) const
{
    const Cell *c = cell(row, column);
    if (!c || c->kind != Cell::Kind::Number)
        return std::nullopt;
    return c->number;
}

void XlsxSheet::setText(int row, int column, const QString &text)
{
    Cell &c = cellForWrite(row, column);
    c.kind = text.isEmpty() ? Cell::Kind::Empty : Cell::Kind::Text;
    c.text = CellText(text);
    c.rawXml.clear();
}

void XlsxSheet::setNumber(int row, int column, double value)
{
    Cell &c = cellForWrite(row, column);
    c.kind = Cell::Kind::Number;
    c.number = value;
    c.text.clear();
    c.rawXml.clear();
}

double XlsxSheet::fontSize(int row, int column) const
{
    const Cell *c = cell(row, column);
    return m_styles->fontSize(c ? c->style : 0);
}

QString XlsxSheet::fontName(int row, int column) const
{
    const Cell *c = cell(row, column);
    return m_styles->fontName(c ? c->style : 0);
}

void XlsxSheet::setFontSize(int row, int column, double pointSize)
{
    Cell &c = cellForWrite(row, column);
    c.style = m_styles->withFontSize(c.style, pointSize);
}

bool XlsxSheet::wrapText(int row, int column) const
{
    const Cell *c = cell(row, column);
    return m_styles->wrapText(c ? c->style : 0);
}

double XlsxSheet::rowHeight(int row) const
{
    const auto r = m_rows.find(row);
    return r != m_rows.end() && r->second.height ? *r->second.height : m_defaultRowHeight;
}

void XlsxSheet::setRowHeight(int row, double points)
{
    m_rows[row].height = points;
}

double XlsxSheet::columnWidth(int column) const
{
    for (const Columns &c : m_columns)
        if (column >= c.min && column <= c.max)
            return c.width;
    return m_defaultColumnWidth;
}

double XlsxSheet::cellWidth(int row, int column) const
{
    XlsxRange range{row, column, row, column};
    if (const auto merged = mergeAt(row, column))
        range = *merged;
    double width = 0;
    for (int c = range.firstColumn; c <= range.lastColumn; ++c)
        width += WidthToPoints(columnWidth(c));
    return width;
}

double XlsxSheet::fittedRowHeight(int row) const
{
    double height = 0;
    const auto r = m_rows.find(row);
    if (r != m_rows.end())
        for (const auto &[column, c] : r->second.cells) {
            if (c.kind != Cell::Kind::Text && c.kind != Cell::Kind::Number)
                continue;
            const auto merged = mergeAt(row, column);
            if (merged && (merged->firstColumn != column || merged->firstRow != row))
                continue;
            // A text that does not wrap keeps one line for each of its own lines.
            const double width = wrapText(row, column) ? cellWidth(row, column) : 1e6;
            height = std::max(height, MeasureWrappedTextHeight(text(row, column), m_styles->fontName(c.style),
                                                               m_styles->fontSize(c.style), width));
        }
    return height > 0 ? height : m_defaultRowHeight;
}

void XlsxSheet::insertRows(int at, int count)
{
    if (count <= 0)
        return;
    std::map<int, Row> moved;
    for (auto &[row, data] : m_rows)
        moved.emplace(row >= at ? row + count : row, std::move(data));
    m_rows = std::move(moved);
    for (XlsxRange &m : m_merges) {
        if (m.firstRow >= at)
            m.firstRow += count;
        if (m.lastRow >= at)
            m.lastRow += count;
    }
    for (int &b : m_rowBreaks)
        if (b >= at)
            b += count;
}

std::optional<XlsxRange> XlsxSheet::mergeAt(int row, int column) const
{
    for (const XlsxRange &m : m_merges)
        if (m.contains(row, column))
            return m;
    return std::nullopt;
}

void XlsxSheet::merge(const XlsxRange &range)
{
    m_merges.erase(std::remove_if(m_merges.begin(), m_merges.end(),
                                  [&range](const XlsxRange &m) {
                                      return m.firstRow <= range.lastRow && m.lastRow >= range.firstRow
                                          && m.firstColumn <= range.lastColumn && m.lastColumn >= range.firstColumn;
                                  }),
                   m_merges.end());
    if (range.firstRow != range.lastRow || range.firstColumn != range.lastColumn)
        m_merges.push_back(range);
}

void XlsxSheet::unmerge(const XlsxRange &range)
{
    m_merges.erase(std::remove(m_merges.begin(), m_merges.end(), range), m_merges.end());
}

void XlsxSheet::copyRange(const XlsxSheet &from, const XlsxRange &source, int row, int column)
{
    const int dRow = row - source.firstRow;
    const int dColumn = column - source.firstColumn;
    std::vector<std::pair<std::pair<int, int>, Cell>> cells;
    for (int r = source.firstRow; r <= source.lastRow; ++r)
        for (int c = source.firstColumn; c <= source.lastColumn; ++c)
            if (const Cell *found = from.cell(r, c))
                cells.push_back({{r + dRow, c + dColumn}, *found});
    std::vector<XlsxRange> merges;
    for (const XlsxRange &m : from.m_merges)
        if (source.contains(m.firstRow, m.firstColumn) && source.contains(m.lastRow, m.lastColumn))
            merges.push_back({m.firstRow + dRow, m.firstColumn + dColumn, m.lastRow + dRow, m.lastColumn + dColumn});
    // Copied first: From may be this sheet.
    const XlsxRange target{row, column, source.lastRow + dRow, source.lastColumn + dColumn};
    for (int r = target.firstRow; r <= target.lastRow; ++r)
        if (auto found = m_rows.find(r); found != m_rows.end())
            for (int c = target.firstColumn; c <= target.lastColumn; ++c)
                found->second.cells.erase(c);
    merge(target);
    unmerge(target);
    for (auto &[at, c] : cells)
        m_rows[at.first].cells[at.second] = c;
    for (const XlsxRange &m : merges)
        merge(m);
}

void XlsxSheet::addRowBreakBefore(int row)
{
    if (std::find(m_rowBreaks.begin(), m_rowBreaks.end(), row) == m_rowBreaks.end())
        m_rowBreaks.push_back(row);
}

// ---- workbook

namespace {

QString SheetPath(const pugi::xml_document &rels, const char *id)
{
    for (pugi::xml_node rel : rels.child("Relationships").children("Relationship"))
        if (std::string(rel.attribute("Id").value()) == id) {
            QString target = Utf8(rel.attribute("Target").value());
            if (target.startsWith(QLatin1Char('/')))
                return target.mid(1);
            return QStringLiteral("xl/") + target;
        }
    throw AppError(QStringLiteral("Книга Excel: нет листа %1").arg(Utf8(id)));
}

std::vector<QString> SharedStrings(const ZipReader &zip)
{
    std::vector<QString> strings;
    const int index = zip.find(QStringLiteral("xl/sharedStrings.xml"));
    if (index < 0)
        return strings;
    const pugi::xml_document doc = ParseXml(zip.read(index), QStringLiteral("sharedStrings"));
    for (pugi::xml_node si : doc.child("sst").children("si"))
        strings.push_back(StringItemText(si));
    return strings;
}

} // namespace

XlsxWorkbook::XlsxWorkbook(const QByteArray &xlsx) : m_archive(xlsx)
{
    const ZipReader zip(xlsx);
    m_workbookXml = zip.read(QStringLiteral("xl/workbook.xml"));
    m_styles = std::make_unique<XlsxStyles>(zip.read(QStringLiteral("xl/styles.xml")));
    const std::vector<QString> strings = SharedStrings(zip);
    const pugi::xml_document workbook = ParseXml(m_workbookXml, QStringLiteral("workbook"));
    const pugi::xml_document rels = ParseXml(zip.read(QStringLiteral("xl/_rels/workbook.xml.rels")),
                                             QStringLiteral("workbook.xml.rels"));
    const pugi::xml_node root = workbook.child("workbook");
    m_activeSheet = root.child("bookViews").child("workbookView").attribute("activeTab").as_int(0) + 1;
    for (pugi::xml_node s : root.child("sheets").children("sheet")) {
        auto sheet = std::make_unique<XlsxSheet>();
        sheet->m_name = Utf8(s.attribute("name").value());
        sheet->m_path = SheetPath(rels, s.attribute("r:id").value());
        sheet->m_styles = m_styles.get();
        sheet->m_xml = zip.read(sheet->m_path);
        m_hidden.push_back(std::string(s.attribute("state").as_string("visible")) != "visible");
        const pugi::xml_document doc = ParseXml(sheet->m_xml, sheet->m_path);
        const pugi::xml_node ws = doc.child("worksheet");
        const pugi::xml_node format = ws.child("sheetFormatPr");
        sheet->m_defaultRowHeight = format.attribute("defaultRowHeight").as_double(15);
        sheet->m_defaultColumnWidth = format.attribute("defaultColWidth").as_double(
            DefaultColumnWidth(format.attribute("baseColWidth").as_double(8)));
        for (pugi::xml_node col : ws.child("cols").children("col"))
            sheet->m_columns.push_back({col.attribute("min").as_int(), col.attribute("max").as_int(),
                                        col.attribute("width").as_double(sheet->m_defaultColumnWidth)});
        int nextRow = 1;
        for (pugi::xml_node r : ws.child("sheetData").children("row")) {
            const int rowNumber = r.attribute("r").as_int(nextRow);
            nextRow = rowNumber + 1;
            XlsxSheet::Row &row = sheet->m_rows[rowNumber];
            if (r.attribute("customHeight").as_bool() || r.attribute("ht"))
                if (r.attribute("ht"))
                    row.height = r.attribute("ht").as_double();
            for (pugi::xml_attribute a : r.attributes()) {
                const std::string name = a.name();
                if (name != "r" && name != "ht" && name != "customHeight" && name != "spans")
                    row.extraAttributes.emplace_back(a.name(), a.value());
            }
            int nextColumn = 1;
            for (pugi::xml_node c : r.children("c")) {
                int cr = rowNumber, cc = nextColumn;
                if (c.attribute("r") && !ParseCellName(c.attribute("r").value(), cr, cc))
                    throw AppError(QStringLiteral("Книга Excel: ячейка %1").arg(Utf8(c.attribute("r").value())));
                nextColumn = cc + 1;
                XlsxSheet::Cell cell;
                cell.style = c.attribute("s").as_int(0);
                const std::string type = c.attribute("t").as_string("n");
                if (c.child("f")) {
                    std::ostringstream out;
                    c.print(out, "", pugi::format_raw);
                    cell.kind = XlsxSheet::Cell::Kind::Raw;
                    cell.rawXml = QByteArray::fromStdString(out.str());
                } else if (type == "s") {
                    const int index = c.child("v").text().as_int(-1);
                    if (index >= 0 && size_t(index) < strings.size()) {
                        cell.kind = XlsxSheet::Cell::Kind::Text;
                        cell.text = strings[size_t(index)];
                    }
                } else if (type == "inlineStr") {
                    cell.kind = XlsxSheet::Cell::Kind::Text;
                    cell.text = StringItemText(c.child("is"));
                } else if (type == "str") {
                    cell.kind = XlsxSheet::Cell::Kind::Text;
                    cell.text = Utf8(c.child("v").text().get());
                } else if (type == "n" && c.child("v")) {
                    cell.kind = XlsxSheet::Cell::Kind::Number;
                    cell.number = c.child("v").text().as_double();
                } else if (c.child("v")) {
                    std::ostringstream out;
                    c.print(out, "", pugi::format_raw);
                    cell.kind = XlsxSheet::Cell::Kind::Raw;
                    cell.rawXml = QByteArray::fromStdString(out.str());
                }
                sheet->m_rows[cr].cells[cc] = cell;
            }
        }
        for (pugi::xml_node m : ws.child("mergeCells").children("mergeCell")) {
            XlsxRange range;
            if (ParseRangeName(Utf8(m.attribute("ref").value()), range))
                sheet->m_merges.push_back(range);
        }
        for (pugi::xml_node b : ws.child("rowBreaks").children("brk"))
            sheet->m_rowBreaks.push_back(b.attribute("id").as_int() + 1);
        m_sheets.push_back(std::move(sheet));
    }
    if (m_sheets.empty())
        throw AppError(QStringLiteral("Книга Excel без листов"));
    m_activeSheet = std::clamp(m_activeSheet, 1, sheetCount());
}

XlsxWorkbook::~XlsxWorkbook() = default;

XlsxSheet &XlsxWorkbook::sheet(int index)
{
    return const_cast<XlsxSheet &>(std::as_const(*this).sheet(index));
}

const XlsxSheet &XlsxWorkbook::sheet(int index) const
{
    if (index < 1 || index > sheetCount())
        throw AppError(QStringLiteral("Книга Excel: нет листа %1").arg(index));
    return *m_sheets[size_t(index - 1)];
}

void XlsxWorkbook::setActiveSheet(int index)
{
    sheet(index);
    m_activeSheet = index;
}

bool XlsxWorkbook::isSheetHidden(int index) const
{
    sheet(index);
    return m_hidden[size_t(index - 1)];
}

void XlsxWorkbook::setSheetHidden(int index, bool hidden)
{
    sheet(index);
    m_hidden[size_t(index - 1)] = hidden;
}

namespace {

void SetAttribute(pugi::xml_node node, const char *name, const QString &value)
{
    node.remove_attribute(name);
    node.append_attribute(name) = value.toUtf8().constData();
}

} // namespace

QByteArray XlsxWorkbook::sheetXml(const XlsxSheet &sheet, bool active)
{
    pugi::xml_document doc = ParseXml(sheet.m_xml, sheet.name());
    pugi::xml_node ws = doc.child("worksheet");
    ws.remove_child("dimension");
    for (pugi::xml_node view : ws.child("sheetViews").children("sheetView")) {
        view.remove_attribute("tabSelected");
        if (active)
            view.append_attribute("tabSelected") = 1;
    }
    pugi::xml_node data = SheetChild(ws, "sheetData");
    data.remove_children();
    for (const auto &[rowNumber, row] : sheet.m_rows) {
        pugi::xml_node r = data.append_child("row");
        r.append_attribute("r") = rowNumber;
        if (row.height) {
            r.append_attribute("ht") = *row.height;
            r.append_attribute("customHeight") = 1;
        }
        for (const auto &[name, value] : row.extraAttributes)
            r.append_attribute(name.constData()) = value.constData();
        for (const auto &[column, cell] : row.cells) {
            const QString name = XlsxCellName(rowNumber, column);
            if (cell.kind == XlsxSheet::Cell::Kind::Raw) {
                pugi::xml_document raw;
                raw.load_buffer(cell.rawXml.constData(), size_t(cell.rawXml.size()));
                pugi::xml_node c = r.append_copy(raw.first_child());
                SetAttribute(c, "r", name);
                continue;
            }
            pugi::xml_node c = r.append_child("c");
            SetAttribute(c, "r", name);
            if (cell.style != 0)
                c.append_attribute("s") = cell.style;
            if (cell.kind == XlsxSheet::Cell::Kind::Number) {
                c.append_child("v").text() = cell.number;
            } else if (cell.kind == XlsxSheet::Cell::Kind::Text) {
                c.append_attribute("t") = "inlineStr";
                pugi::xml_node t = c.append_child("is").append_child("t");
                t.append_attribute("xml:space") = "preserve";
                t.text() = cell.text.toUtf8().constData();
            }
        }
    }
    ws.remove_child("mergeCells");
    if (!sheet.merges().empty()) {
        pugi::xml_node merges = SheetChild(ws, "mergeCells");
        merges.append_attribute("count") = int(sheet.merges().size());
        for (const XlsxRange &m : sheet.merges())
            SetAttribute(merges.append_child("mergeCell"), "ref", XlsxRangeName(m));
    }
    ws.remove_child("rowBreaks");
    if (!sheet.rowBreaks().empty()) {
        std::vector<int> breaks = sheet.rowBreaks();
        std::sort(breaks.begin(), breaks.end());
        pugi::xml_node node = SheetChild(ws, "rowBreaks");
        node.append_attribute("count") = int(breaks.size());
        node.append_attribute("manualBreakCount") = int(breaks.size());
        for (int b : breaks) {
            pugi::xml_node brk = node.append_child("brk");
            brk.append_attribute("id") = b - 1;
            brk.append_attribute("max") = 16383;
            brk.append_attribute("man") = 1;
        }
    }
    return XmlBytes(doc);
}

QByteArray XlsxWorkbook::save() const
{
    pugi::xml_document workbook = ParseXml(m_workbookXml, QStringLiteral("workbook"));
    pugi::xml_node root = workbook.child("workbook");
    pugi::xml_node view = root.child("bookViews").child("workbookView");
    if (!view)
        view = root.insert_child_before("bookViews", root.child("sheets")).append_child("workbookView");
    view.remove_attribute("activeTab");
    view.append_attribute("activeTab") = m_activeSheet - 1;
    view.remove_attribute("firstSheet");
    int i = 0;
    for (pugi::xml_node s : root.child("sheets").children("sheet")) {
        s.remove_attribute("state");
        if (m_hidden[size_t(i)])
            s.append_attribute("state") = "hidden";
        ++i;
    }
    std::map<QString, QByteArray> replaced;
    replaced[QStringLiteral("xl/workbook.xml")] = XmlBytes(workbook);
    replaced[QStringLiteral("xl/styles.xml")] = m_styles->xml();
    for (int s = 1; s <= sheetCount(); ++s)
        replaced[sheet(s).m_path] = sheetXml(sheet(s), s == m_activeSheet);
    const ZipReader original(m_archive);
    ZipWriter out;
    for (int e = 0; e < int(original.entries().size()); ++e) {
        const QString &name = original.entries()[size_t(e)].name;
        const auto found = replaced.find(name);
        out.add(name, found != replaced.end() ? found->second : original.read(e));
    }
    return out.finish();
}
