#include "PackageList.h"

#include "ggError.h"
#include "ggFiles.h"

#include <pugixml.hpp>

QString WithoutControlCharacters(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool dropped = u <= 0x08 || u == 0x0B || u == 0x0C || (u >= 0x0E && u <= 0x1F);
        if (!dropped)
            kept.append(c);
    }
    return kept;
}

QList<PackagePhrase> ReadPackageList(const QString &fileName)
{
    const QByteArray content = FileToString(fileName);
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(content.constData(), size_t(content.size()));
    if (!parsed)
        throw AppError(QString::fromUtf8(parsed.description()));
    const pugi::xml_node rows = document.document_element().child("ROWDATA");
    if (!rows)
        throw AppError(QStringLiteral("ROWDATA not found"));
    QList<PackagePhrase> phrases;
    for (const pugi::xml_node &row : rows.children("ROW")) {
        phrases.append({WithoutControlCharacters(QString::fromUtf8(row.attribute("lang").value())).toUtf8(),
                        WithoutControlCharacters(QString::fromUtf8(row.attribute("name").value()))});
    }
    return phrases;
}
