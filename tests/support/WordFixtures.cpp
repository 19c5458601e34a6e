#include "WordFixtures.h"

#include "AppError.h"
#include "Windows1251.h"
#include "ZipArchive.h"

namespace {

QByteArray XmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray RtfEscaped(const QString &text, RtfText kind)
{
    QByteArray out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}')
            out += '\\' + QByteArray(1, char(u));
        else if (u < 0x80)
            out += char(u);
        else if (kind == RtfText::CodePage)
            out += "\\'" + ToWindows1251(QString(c)).toHex();
        else
            out += "\\u" + QByteArray::number(qint16(u)) + '?';
    }
    return out;
}

} // namespace

QByteArray DocxWithBody(const QByteArray &bodyXml)
{
    ZipWriter zip;
    zip.add(QStringLiteral("[Content_Types].xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
            "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>");
    zip.add(QStringLiteral("_rels/.rels"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
            "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>");
    zip.add(QStringLiteral("word/document.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
            "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
                + bodyXml + "<w:sectPr/></w:body></w:document>");
    return zip.finish();
}

QByteArray DocxTableXml(const FixtureTable &table)
{
    QByteArray xml = "<w:tbl><w:tblPr/>";
    for (const QStringList &row : table) {
        xml += "<w:tr>";
        for (const QString &cell : row) {
            xml += "<w:tc><w:tcPr/>";
            for (const QString &paragraph : cell.split(QStringLiteral("\r\n")))
                xml += "<w:p><w:r><w:t xml:space=\"preserve\">" + XmlEscaped(paragraph) + "</w:t></w:r></w:p>";
            xml += "</w:tc>";
        }
        xml += "</w:tr>";
    }
    return xml + "</w:tbl>";
}

QByteArray DocxWithTables(const QList<FixtureTable> &tables)
{
    QByteArray body;
    for (const FixtureTable &table : tables)
        body += DocxTableXml(table) + "<w:p><w:r><w:t>-</w:t></w:r></w:p>";
    return DocxWithBody(body);
}

QByteArray RtfWithTables(const QList<FixtureTable> &tables, RtfText text)
{
    QByteArray rtf = text == RtfText::CodePage ? "{\\rtf1\\ansi\\ansicpg1251\\deff0" : "{\\rtf1\\ansi\\deff0\\uc1";
    rtf += "{\\fonttbl{\\f0\\froman Times New Roman;}}\r\n";
    for (const FixtureTable &table : tables) {
        for (const QStringList &row : table) {
            QByteArray definition = "\\trowd\\trgaph108";
            for (int i = 1; i <= row.size(); ++i)
                definition += "\\cellx" + QByteArray::number(i * 2000);
            rtf += definition + "\r\n";
            for (const QString &cell : row)
                rtf += "\\pard\\intbl " + RtfEscaped(cell, text).replace("\r\n", "\\par ") + "\\cell\r\n";
            rtf += "{" + definition + "\\row}\r\n";
        }
        rtf += "\\pard\\par\r\n";
    }
    return rtf + "}";
}

QByteArray MutatedBytes(QByteArray bytes, std::mt19937 &random, const QByteArray &specials)
{
    const int edits = 1 + int(random() % 6);
    for (int i = 0; i < edits && !bytes.isEmpty(); ++i) {
        const qsizetype at = qsizetype(random() % quint32(bytes.size()));
        switch (random() % 4) {
        case 0: bytes[at] = char(random()); break;
        case 1: bytes[at] = specials[qsizetype(random() % quint32(specials.size()))]; break;
        case 2: bytes.remove(at, 1 + qsizetype(random() % 8)); break;
        default: bytes.insert(at, bytes.mid(qsizetype(random() % quint32(bytes.size())), 16)); break;
        }
    }
    return bytes;
}

int ReadableCandidates(int rounds, const std::function<QByteArray(int)> &candidate,
                       const std::function<void(const QByteArray &)> &read)
{
    int readable = 0;
    for (int round = 0; round < rounds; ++round) {
        try {
            read(candidate(round));
            ++readable;
        } catch (const AppError &) {
        }
    }
    return readable;
}
