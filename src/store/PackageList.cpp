#include "PackageList.h"

#include "ggError.h"
#include "ggFiles.h"
#include "XmlCharacters.h"

#include <pugixml.hpp>

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
        phrases.append({WithXmlCharactersOnly(QString::fromUtf8(row.attribute("lang").value())).toUtf8(),
                        WithXmlCharactersOnly(QString::fromUtf8(row.attribute("name").value()))});
    }
    return phrases;
}
