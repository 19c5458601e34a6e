#include "DocxPart.h"

#include "AppError.h"

MainNames LoadDocxMainPart(const ZipReader &archive, pugi::xml_document &document)
{
    const int index = archive.find(QStringLiteral("word/document.xml"));
    if (index < 0)
        throw AppError(QStringLiteral("not a Word document: word/document.xml is missing"));
    const QByteArray xml = archive.read(index);
    const pugi::xml_parse_result parsed =
        document.load_buffer(xml.constData(), size_t(xml.size()),
                             pugi::parse_default | pugi::parse_ws_pcdata, // a run of one blank is text
                             pugi::encoding_auto);
    if (!parsed)
        throw AppError(QStringLiteral("word/document.xml does not read: ") + QString::fromUtf8(parsed.description()));
    const pugi::xml_node root = document.document_element();
    MainNames names(root);
    if (!names.found() || !names.is(root, "document"))
        throw AppError(QStringLiteral("word/document.xml is no WordprocessingML document"));
    return names;
}
