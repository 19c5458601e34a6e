#pragma once
// An independent reader of multipart/form-data bodies, for tests of what an
// upload sends: the parts between the boundary lines, each with the name,
// file name and content type of its headers and its content.
#include <QByteArray>
#include <QList>
#include <optional>

namespace multipart_parsing {

struct ParsedPart {
    QByteArray name;
    QByteArray fileName;
    QByteArray contentType;
    QByteArray content;
    bool operator==(const ParsedPart &) const = default;
};

inline QByteArray Parameter(const QByteArray &header, const QByteArray &key)
{
    const QByteArray marker = "; " + key + "=\"";
    const qsizetype at = header.indexOf(marker);
    if (at < 0)
        return {};
    const qsizetype from = at + marker.size();
    return header.mid(from, header.indexOf('"', from) - from);
}

inline std::optional<QList<ParsedPart>> ParseMultipart(const QByteArray &body, const QByteArray &boundary)
{
    const QByteArray delimiter = "--" + boundary;
    if (!body.startsWith(delimiter))
        return std::nullopt;
    QList<ParsedPart> parts;
    qsizetype pos = delimiter.size();
    for (;;) {
        if (body.mid(pos) == "--\r\n")
            return parts;
        if (body.mid(pos, 2) != "\r\n")
            return std::nullopt;
        pos += 2;
        const qsizetype headEnd = body.indexOf("\r\n\r\n", pos);
        const qsizetype next = body.indexOf("\r\n" + delimiter, headEnd + 4);
        if (headEnd < 0 || next < 0)
            return std::nullopt;
        ParsedPart part;
        for (const QByteArray &line : body.mid(pos, headEnd - pos).split('\n')) {
            const QByteArray header = line.trimmed();
            if (header.startsWith("Content-Disposition: form-data")) {
                part.name = Parameter(header, "name");
                part.fileName = Parameter(header, "filename");
            } else if (header.startsWith("Content-Type: ")) {
                part.contentType = header.mid(14);
            }
        }
        part.content = body.mid(headEnd + 4, next - headEnd - 4);
        parts.append(part);
        pos = next + 2 + delimiter.size();
    }
}

} // namespace multipart_parsing
