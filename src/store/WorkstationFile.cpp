#include "WorkstationFile.h"

#include "CommonTessal.h"
#include "ConversionTexts.h"
#include "ggError.h"
#include "ggFiles.h"
#include "obDCPcrypt.h"

#include <pugixml.hpp>

namespace {

QString Utf8(const char *text)
{
    return QString::fromUtf8(text);
}

pugi::xml_node RequiredChild(const pugi::xml_node &root, const char *name)
{
    const pugi::xml_node node = root.child(name);
    if (!node)
        throw AppError(NodeNotFoundText(Utf8(name)));
    return node;
}

QByteArray ChildText(const pugi::xml_node &root, const char *name)
{
    return QByteArray(RequiredChild(root, name).child_value());
}

} // namespace

WorkstationFile ParseWorkstationFile(const QByteArray &xml)
{
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(xml.constData(), size_t(xml.size()));
    if (!parsed)
        throw AppError(QStringLiteral("XML: %1 (offset %2)").arg(Utf8(parsed.description())).arg(parsed.offset));
    const pugi::xml_node root = document.document_element();

    const QString name = Utf8(root.attribute("Name").value());
    if (name != QLatin1String("i.cod"))
        throw AppError(QStringLiteral("i.cod Name = ") + name);

    WorkstationFile file;
    file.Ver = ToUnsigned(QByteArray(root.attribute("Ver").value()));

    const pugi::xml_node purpose = root.child("for");
    if (!purpose || QByteArray(purpose.child_value()) != "TessalForm")
        throw AppError(QStringLiteral("Этот i.cod предназначен для другой программы"));

    file.dovNumber = ToInteger(ChildText(root, "dovNumber"));
    file.NumLocale = ToInteger(ChildText(root, "NumLocale"));
    file.dovKey = ChildText(root, "dovKey");
    file.adr = QString::fromUtf8(ChildText(root, "adr"));
    file.port = ToInteger(ChildText(root, "port"));
    file.usersOld = ToBoolean(ChildText(root, "usersOld"));

    for (const pugi::xml_node &language : root.child("L").children()) {
        if (language.type() != pugi::node_element)
            continue;
        file.languages.append({QByteArray(language.attribute("LangSymb").value()),
                               Utf8(language.attribute("dovName").value()),
                               Utf8(language.attribute("dovCity").value())});
    }
    return file;
}

WorkstationFile ReadWorkstationFile(const QString &fileName)
{
    QByteArray content = FileToString(fileName);
    DecryptStream(content);
    return ParseWorkstationFile(content);
}

void ApplyWorkstationFile(const WorkstationFile &file)
{
    TessalState &app = App();
    app.ICodVersion = file.Ver;
    app.ChamberNumber = file.dovNumber;
    app.WorkstationNumber = file.NumLocale;
    app.ChamberKey = file.dovKey;
    app.ServerUrl = file.adr;
    app.ServerPort = file.port;
    app.UsersOldFlag = file.usersOld;
}
