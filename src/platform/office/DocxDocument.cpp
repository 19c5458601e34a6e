#include "DocxDocument.h"

#include "AppError.h"
#include "DocxPart.h"
#include "LineBreaks.h"
#include "XmlCharacters.h"

#include <QStringList>

#include <cmath>
#include <sstream>
#include <vector>

namespace {

struct Part {
    QString name;
    QByteArray content;
};

// The run properties that follow w:sz in the schema's order.
const char *const AfterSize[] = {"highlight", "u", "effect", "bdr", "shd", "fitText", "vertAlign", "rtl", "cs",
                                 "em", "lang", "eastAsianLayout", "specVanish", "oMath"};

} // namespace

struct DocxDocument::Data {
    std::vector<Part> parts;
    pugi::xml_document document;
    std::string prefix;

    std::string n(const char *local) const { return prefix + local; }
    pugi::xml_node body() const { return document.document_element().child(n("body").c_str()); }

    std::vector<pugi::xml_node> children(const pugi::xml_node &parent, const char *local) const
    {
        std::vector<pugi::xml_node> found;
        for (pugi::xml_node node = parent.child(n(local).c_str()); node; node = node.next_sibling(n(local).c_str()))
            found.push_back(node);
        return found;
    }
    pugi::xml_node nth(const pugi::xml_node &parent, const char *local, int index, const char *what) const
    {
        const std::vector<pugi::xml_node> all = children(parent, local);
        if (index < 1 || index > int(all.size()))
            throw AppError(QStringLiteral("В документе нет %1 %2").arg(QString::fromLatin1(what)).arg(index));
        return all[size_t(index - 1)];
    }
    pugi::xml_node table(int t) const { return nth(body(), "tbl", t, "таблицы"); }
    pugi::xml_node row(int t, int r) const { return nth(table(t), "tr", r, "строки"); }
    pugi::xml_node cell(int t, int r, int c) const { return nth(row(t, r), "tc", c, "ячейки"); }
    pugi::xml_node sectPr() const { return body().child(n("sectPr").c_str()); }

    pugi::xml_node child(pugi::xml_node parent, const char *local, bool first = false)
    {
        pugi::xml_node node = parent.child(n(local).c_str());
        if (!node)
            node = first ? parent.prepend_child(n(local).c_str()) : parent.append_child(n(local).c_str());
        return node;
    }

    // Sets the size (half-points) in run properties, in the schema's place.
    void setSize(pugi::xml_node rPr, int halfPoints)
    {
        for (const char *name : {"sz", "szCs"})
            while (pugi::xml_node old = rPr.child(n(name).c_str()))
                rPr.remove_child(old);
        pugi::xml_node before;
        for (pugi::xml_node node : rPr.children()) {
            for (const char *later : AfterSize)
                if (n(later) == node.name())
                    before = node;
            if (before)
                break;
        }
        pugi::xml_node sz = before ? rPr.insert_child_before(n("sz").c_str(), before) : rPr.append_child(n("sz").c_str());
        sz.append_attribute(n("val").c_str()) = halfPoints;
        pugi::xml_node szCs = rPr.insert_child_after(n("szCs").c_str(), sz);
        szCs.append_attribute(n("val").c_str()) = halfPoints;
    }

    void emptyCell(pugi::xml_node tc)
    {
        std::vector<pugi::xml_node> paragraphs = children(tc, "p");
        for (size_t i = 1; i < paragraphs.size(); ++i)
            tc.remove_child(paragraphs[i]);
        pugi::xml_node p = paragraphs.empty() ? tc.append_child(n("p").c_str()) : paragraphs.front();
        std::vector<pugi::xml_node> content;
        for (pugi::xml_node node : p.children())
            if (n("pPr") != node.name())
                content.push_back(node);
        for (pugi::xml_node node : content)
            p.remove_child(node);
    }
};

DocxDocument::DocxDocument(const QByteArray &docx) : d(std::make_unique<Data>())
{
    const ZipReader archive(docx, DocxZipLimits());
    d->prefix = LoadDocxMainPart(archive, d->document).prefix();
    for (int i = 0; i < int(archive.entries().size()); ++i)
        d->parts.push_back({archive.entries()[size_t(i)].name, archive.read(i)});
    if (!d->body())
        throw AppError(QStringLiteral("word/document.xml has no body"));
}

DocxDocument::~DocxDocument() = default;

int DocxDocument::tableCount() const
{
    return int(d->children(d->body(), "tbl").size());
}

int DocxDocument::rowCount(int table) const
{
    return int(d->children(d->table(table), "tr").size());
}

void DocxDocument::setCellText(int table, int row, int column, const QString &text, double fontSizePt)
{
    pugi::xml_node tc = d->cell(table, row, column);
    // The first run's properties carry over to the new text.
    pugi::xml_node kept = tc.child(d->n("p").c_str()).child(d->n("r").c_str()).child(d->n("rPr").c_str());
    pugi::xml_document keep;
    if (kept)
        keep.append_copy(kept);
    d->emptyCell(tc);
    pugi::xml_node p = tc.child(d->n("p").c_str());
    pugi::xml_node r = p.append_child(d->n("r").c_str());
    pugi::xml_node rPr = keep.first_child() ? r.append_copy(keep.first_child()) : r.append_child(d->n("rPr").c_str());
    if (fontSizePt > 0) {
        const int halfPoints = int(std::lround(fontSizePt * 2));
        d->setSize(rPr, halfPoints);
        pugi::xml_node pPr = d->child(p, "pPr", true);
        d->setSize(d->child(pPr, "rPr"), halfPoints);
    }
    if (!rPr.first_child())
        r.remove_child(rPr);

    const QString clean = StoredToWidgetText(WithXmlCharactersOnly(text));
    QString piece;
    auto flush = [&] {
        if (piece.isEmpty())
            return;
        pugi::xml_node t = r.append_child(d->n("t").c_str());
        t.append_attribute("xml:space") = "preserve";
        t.text().set(piece.toUtf8().constData());
        piece.clear();
    };
    for (const QChar c : clean) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\t')) {
            flush();
            r.append_child(d->n(c == QLatin1Char('\n') ? "br" : "tab").c_str());
        } else {
            piece += c;
        }
    }
    flush();
}

QString DocxDocument::cellText(int table, int row, int column) const
{
    QStringList paragraphs;
    for (pugi::xml_node p : d->children(d->cell(table, row, column), "p")) {
        QString text;
        for (pugi::xml_node r : d->children(p, "r"))
            for (pugi::xml_node node : r.children()) {
                if (d->n("t") == node.name())
                    text += QString::fromUtf8(node.text().get());
                else if (d->n("br") == node.name())
                    text += QLatin1Char('\n');
                else if (d->n("tab") == node.name())
                    text += QLatin1Char('\t');
            }
        paragraphs << text;
    }
    return paragraphs.join(QLatin1Char('\n'));
}

int DocxDocument::cellCount(int table, int row) const
{
    return int(d->children(d->row(table, row), "tc").size());
}

DocxDocument::RowHeightSetting DocxDocument::rowHeight(int table, int row) const
{
    const pugi::xml_node height =
        d->row(table, row).child(d->n("trPr").c_str()).child(d->n("trHeight").c_str());
    RowHeightSetting setting;
    if (height) {
        setting.points = height.attribute(d->n("val").c_str()).as_double() / 20;
        setting.exact = std::string(height.attribute(d->n("hRule").c_str()).value()) == "exact";
    }
    return setting;
}

DocxDocument::CellLook DocxDocument::cellLook(int table, int row, int column) const
{
    const pugi::xml_node tc = d->cell(table, row, column);
    CellLook look;
    look.widthPt = tc.child(d->n("tcPr").c_str()).child(d->n("tcW").c_str()).attribute(d->n("w").c_str()).as_double() / 20;
    const pugi::xml_node rPr = tc.child(d->n("p").c_str()).child(d->n("r").c_str()).child(d->n("rPr").c_str());
    if (const pugi::xml_attribute size = rPr.child(d->n("sz").c_str()).attribute(d->n("val").c_str()))
        look.fontSizePt = size.as_double() / 2;
    const char *family = rPr.child(d->n("rFonts").c_str()).attribute(d->n("ascii").c_str()).value();
    look.fontFamily = *family ? QString::fromUtf8(family) : QStringLiteral("Times New Roman");
    return look;
}

void DocxDocument::setRowHeight(int table, int row, double points)
{
    pugi::xml_node tr = d->row(table, row);
    pugi::xml_node trPr = tr.child(d->n("trPr").c_str());
    if (!trPr) {
        pugi::xml_node exceptions = tr.child(d->n("tblPrEx").c_str());
        trPr = exceptions ? tr.insert_child_after(d->n("trPr").c_str(), exceptions)
                          : tr.prepend_child(d->n("trPr").c_str());
    }
    while (pugi::xml_node old = trPr.child(d->n("trHeight").c_str()))
        trPr.remove_child(old);
    if (points > 0) {
        pugi::xml_node height = trPr.append_child(d->n("trHeight").c_str());
        height.append_attribute(d->n("val").c_str()) = int(std::lround(points * 20)); // twips
        height.append_attribute(d->n("hRule").c_str()) = "exact";
    }
}

void DocxDocument::insertRowBelow(int table, int row)
{
    pugi::xml_node tr = d->row(table, row);
    pugi::xml_node copy = tr.parent().insert_copy_after(tr, tr);
    for (pugi::xml_node tc : d->children(copy, "tc"))
        d->emptyCell(tc);
}

void DocxDocument::deleteRow(int table, int row)
{
    pugi::xml_node tr = d->row(table, row);
    tr.parent().remove_child(tr);
}

void DocxDocument::clearBody()
{
    pugi::xml_node body = d->body();
    std::vector<pugi::xml_node> blocks;
    for (pugi::xml_node node : body.children())
        if (d->n("sectPr") != node.name())
            blocks.push_back(node);
    for (pugi::xml_node node : blocks)
        body.remove_child(node);
}

int DocxDocument::appendTable(int columns)
{
    pugi::xml_node body = d->body();
    const pugi::xml_node end = d->sectPr();
    pugi::xml_node tbl = end ? body.insert_child_before(d->n("tbl").c_str(), end) : body.append_child(d->n("tbl").c_str());
    pugi::xml_node tblPr = tbl.append_child(d->n("tblPr").c_str());
    pugi::xml_node width = tblPr.append_child(d->n("tblW").c_str());
    width.append_attribute(d->n("w").c_str()) = 0;
    width.append_attribute(d->n("type").c_str()) = "auto";
    pugi::xml_node borders = tblPr.append_child(d->n("tblBorders").c_str());
    for (const char *side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
        pugi::xml_node line = borders.append_child(d->n(side).c_str());
        line.append_attribute(d->n("val").c_str()) = "single";
        line.append_attribute(d->n("sz").c_str()) = 4;
    }
    pugi::xml_node grid = tbl.append_child(d->n("tblGrid").c_str());
    pugi::xml_node tr = tbl.append_child(d->n("tr").c_str());
    for (int column = 0; column < columns; ++column) {
        grid.append_child(d->n("gridCol").c_str()).append_attribute(d->n("w").c_str()) = 4500;
        tr.append_child(d->n("tc").c_str()).append_child(d->n("p").c_str());
    }
    return tableCount();
}

void DocxDocument::appendRow(int table)
{
    insertRowBelow(table, rowCount(table));
}

void DocxDocument::appendBody(const DocxDocument &other)
{
    if (other.d->prefix != d->prefix)
        throw AppError(QStringLiteral("Шаблон записан с другим префиксом пространства имён"));
    pugi::xml_node body = d->body();
    const pugi::xml_node end = d->sectPr();
    for (pugi::xml_node node : other.d->body().children()) {
        if (other.d->n("sectPr") == node.name())
            continue;
        if (end)
            body.insert_copy_before(node, end);
        else
            body.append_copy(node);
    }
}

void DocxDocument::appendSectionBreak()
{
    pugi::xml_node body = d->body();
    const pugi::xml_node end = d->sectPr();
    pugi::xml_node p = end ? body.insert_child_before(d->n("p").c_str(), end) : body.append_child(d->n("p").c_str());
    pugi::xml_node pPr = p.append_child(d->n("pPr").c_str());
    pugi::xml_node section = end ? pPr.append_copy(end) : pPr.append_child(d->n("sectPr").c_str());
    while (pugi::xml_node old = section.child(d->n("type").c_str()))
        section.remove_child(old);
    pugi::xml_node type = section.prepend_child(d->n("type").c_str());
    // Header and footer references come first in a section's properties.
    pugi::xml_node lastReference;
    for (pugi::xml_node node : section.children())
        if (d->n("headerReference") == node.name() || d->n("footerReference") == node.name())
            lastReference = node;
    if (lastReference) {
        section.remove_child(type);
        type = section.insert_child_after(d->n("type").c_str(), lastReference);
    }
    type.append_attribute(d->n("val").c_str()) = "nextPage";
    // LibreOffice lets a table that follows a section break run on at the
    // foot of the sheet before (the last section's above all); a page break
    // in the breaking paragraph makes every reader begin a new sheet.
    p.append_child(d->n("r").c_str())
        .append_child(d->n("br").c_str())
        .append_attribute(d->n("type").c_str()) = "page";
}

QByteArray DocxDocument::save() const
{
    std::ostringstream out;
    d->document.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    const std::string xml = out.str();
    ZipWriter writer;
    for (const Part &part : d->parts)
        writer.add(part.name, part.name == QLatin1String("word/document.xml")
                                  ? QByteArray(xml.data(), qsizetype(xml.size()))
                                  : part.content);
    return writer.finish();
}
