#include "DocxTables.h"

#include "AppError.h"
#include "DocxPart.h"
#include "ZipArchive.h"

#include <pugixml.hpp>

#include <cstring>

namespace {

const QString LineBreak = QStringLiteral("\r\n");

class DocxTableReader {
public:
    explicit DocxTableReader(const MainNames &names) : w(names) {}

    OfficeTables read(const pugi::xml_node &body)
    {
        readBlocks(body, 0);
        return m_tables.finish();
    }

private:
    static void checkDepth(int depth)
    {
        if (depth > MaxDocxNesting)
            throw AppError(QStringLiteral("the document is nested more than %1 levels deep").arg(MaxDocxNesting));
    }

    // Content controls and custom XML wrap blocks, rows, cells and runs alike:
    // true for such a wrapper, with `inner` the node that holds the content.
    bool unwrap(const pugi::xml_node &node, pugi::xml_node &inner) const
    {
        if (w.is(node, "sdt"))
            inner = w.child(node, "sdtContent");
        else if (w.is(node, "customXml"))
            inner = node;
        else
            return false;
        return true;
    }

    // The body: top-level tables are the document's tables.
    void readBlocks(const pugi::xml_node &parent, int depth)
    {
        checkDepth(depth);
        for (const pugi::xml_node &node : parent.children()) {
            pugi::xml_node inner;
            if (w.is(node, "tbl"))
                readTable(node, depth + 1);
            else if (unwrap(node, inner))
                readBlocks(inner, depth + 1);
        }
    }

    void readTable(const pugi::xml_node &table, int depth)
    {
        forEach(table, "tr", depth, [&](const pugi::xml_node &row) {
            forEach(row, "tc", depth + 1, [&](const pugi::xml_node &cell) {
                m_tables.addCell(continuesMerge(cell) ? QString() : cellText(cell, depth + 2).join(LineBreak));
            });
            m_tables.endRow();
        });
        m_tables.endTable();
    }

    // Calls `action` for each child element `local`, looking through wrappers.
    template <typename Action>
    void forEach(const pugi::xml_node &parent, const char *local, int depth, const Action &action)
    {
        checkDepth(depth);
        for (const pugi::xml_node &node : parent.children()) {
            pugi::xml_node inner;
            if (w.is(node, local))
                action(node);
            else if (unwrap(node, inner))
                forEach(inner, local, depth + 1, action);
        }
    }

    // A vertical merge without val="restart" continues the cell above.
    bool continuesMerge(const pugi::xml_node &cell) const
    {
        const pugi::xml_node merge = w.child(w.child(cell, "tcPr"), "vMerge");
        return merge && std::strcmp(w.attribute(merge, "val").value(), "restart") != 0;
    }

    // The paragraphs of a cell, and of the tables nested in it.
    QStringList cellText(const pugi::xml_node &cell, int depth)
    {
        checkDepth(depth);
        QStringList paragraphs;
        for (const pugi::xml_node &node : cell.children()) {
            pugi::xml_node inner;
            if (w.is(node, "p")) {
                QString text;
                readInline(node, text, depth + 1);
                paragraphs.append(text);
            } else if (w.is(node, "tbl")) {
                forEach(node, "tr", depth + 1, [&](const pugi::xml_node &row) {
                    forEach(row, "tc", depth + 2, [&](const pugi::xml_node &nested) {
                        if (!continuesMerge(nested))
                            paragraphs.append(cellText(nested, depth + 3));
                    });
                });
            } else if (unwrap(node, inner)) {
                paragraphs.append(cellText(inner, depth + 1));
            }
        }
        return paragraphs;
    }

    // Runs and the inline containers around them.
    void readInline(const pugi::xml_node &parent, QString &text, int depth)
    {
        checkDepth(depth);
        static const char *const containers[] = {"hyperlink", "ins", "smartTag", "fldSimple", "moveTo", "dir", "bdo"};
        for (const pugi::xml_node &node : parent.children()) {
            pugi::xml_node inner;
            if (w.is(node, "r")) {
                readRun(node, text);
            } else if (unwrap(node, inner)) {
                readInline(inner, text, depth + 1);
            } else {
                for (const char *container : containers)
                    if (w.is(node, container)) {
                        readInline(node, text, depth + 1);
                        break;
                    }
            }
        }
    }

    void readRun(const pugi::xml_node &run, QString &text) const
    {
        for (const pugi::xml_node &node : run.children()) {
            if (w.is(node, "t"))
                text += QString::fromUtf8(node.text().get());
            else if (w.is(node, "tab") || w.is(node, "ptab"))
                text += QLatin1Char('\t');
            else if (w.is(node, "br") || w.is(node, "cr"))
                text += LineBreak;
            else if (w.is(node, "noBreakHyphen"))
                text += QLatin1Char('-');
        }
    }

    const MainNames &w;
    OfficeTablesBuilder m_tables;
};

} // namespace

OfficeTables ReadDocxTables(const QByteArray &docx)
{
    const ZipReader archive(docx, DocxZipLimits());
    pugi::xml_document document;
    const MainNames names = LoadDocxMainPart(archive, document);
    const pugi::xml_node root = document.document_element();
    return DocxTableReader(names).read(names.child(root, "body"));
}
