#include "DocxTables.h"

#include "AppError.h"
#include "ZipArchive.h"

#include <pugixml.hpp>

#include <cstring>

namespace {

const char *const MainNamespaces[] = {
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main",
    "http://purl.oclc.org/ooxml/wordprocessingml/main",
};

const QString LineBreak = QStringLiteral("\r\n");

// Element names of the WordprocessingML namespace under the prefix the
// document binds it to.
class MainNames {
public:
    explicit MainNames(const pugi::xml_node &root)
    {
        for (const pugi::xml_attribute &attribute : root.attributes()) {
            const std::string name = attribute.name();
            for (const char *uri : MainNamespaces) {
                if (std::string(attribute.value()) != uri)
                    continue;
                if (name == "xmlns")
                    m_prefix.clear(), m_found = true;
                else if (name.rfind("xmlns:", 0) == 0)
                    m_prefix = name.substr(6) + ":", m_found = true;
            }
            if (m_found)
                break;
        }
    }
    bool found() const { return m_found; }
    // True when the node is the main namespace's element `local`.
    bool is(const pugi::xml_node &node, const char *local) const
    {
        const char *name = node.name();
        return std::strncmp(name, m_prefix.c_str(), m_prefix.size()) == 0
            && std::strcmp(name + m_prefix.size(), local) == 0;
    }
    // The first child that is the main namespace's element `local`, or none.
    pugi::xml_node child(const pugi::xml_node &parent, const char *local) const
    {
        for (const pugi::xml_node &node : parent.children())
            if (is(node, local))
                return node;
        return {};
    }

    // The node's attribute `local` of the main namespace.
    pugi::xml_attribute attribute(const pugi::xml_node &node, const char *local) const
    {
        return node.attribute((m_prefix + local).c_str());
    }

private:
    std::string m_prefix;
    bool m_found = false;
};

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
    ZipLimits limits;
    limits.entryBytes = MaxDocxPartBytes;
    limits.totalBytes = MaxDocxArchiveBytes;
    const ZipReader archive(docx, limits);
    const int index = archive.find(QStringLiteral("word/document.xml"));
    if (index < 0)
        throw AppError(QStringLiteral("not a Word document: word/document.xml is missing"));
    const QByteArray xml = archive.read(index);

    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(xml.constData(), size_t(xml.size()),
                             pugi::parse_default | pugi::parse_ws_pcdata, // a run of one blank is text
                             pugi::encoding_auto);
    if (!parsed)
        throw AppError(QStringLiteral("word/document.xml does not read: ") + QString::fromUtf8(parsed.description()));
    const pugi::xml_node root = document.document_element();
    const MainNames names(root);
    if (!names.found() || !names.is(root, "document"))
        throw AppError(QStringLiteral("word/document.xml is no WordprocessingML document"));
    return DocxTableReader(names).read(names.child(root, "body"));
}
