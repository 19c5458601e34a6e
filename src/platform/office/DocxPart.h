#pragma once
// The main part of a .docx archive (word/document.xml) as a WordprocessingML
// tree, and the element names of its namespace under the prefix the
// document binds it to. Shared by the table reader and the document writer.
#include "ZipArchive.h"

#include <QByteArray>
#include <pugixml.hpp>

#include <cstring>
#include <string>

// The archive's limits for a document: word/document.xml and every other
// entry at most 32 MB, all entries together at most 128 MB (declared sizes,
// checked before anything is unpacked).
constexpr qint64 MaxDocxPartBytes = qint64(32) << 20;
constexpr qint64 MaxDocxArchiveBytes = qint64(128) << 20;

inline ZipLimits DocxZipLimits()
{
    ZipLimits limits;
    limits.entryBytes = MaxDocxPartBytes;
    limits.totalBytes = MaxDocxArchiveBytes;
    return limits;
}

namespace docx_detail {
inline const char *const MainNamespaces[] = {
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main",
    "http://purl.oclc.org/ooxml/wordprocessingml/main",
};
}

// Element names of the WordprocessingML namespace under the prefix the
// document binds it to.
class MainNames {
public:
    explicit MainNames(const pugi::xml_node &root)
    {
        for (const pugi::xml_attribute &attribute : root.attributes()) {
            const std::string name = attribute.name();
            for (const char *uri : docx_detail::MainNamespaces) {
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

    const std::string &prefix() const { return m_prefix; }

private:
    std::string m_prefix;
    bool m_found = false;
};


// Parses word/document.xml of Archive into Document and returns its names.
// Raises AppError when the part is missing, does not read, or is no
// WordprocessingML document.
MainNames LoadDocxMainPart(const ZipReader &archive, pugi::xml_document &document);
