#include "PacketText.h"

#include "BorinWin.h"
#include "XmlCharacters.h"

QString CutToWholeChars(const QString &text, qsizetype maxUnits)
{
    if (text.size() <= maxUnits)
        return text;
    qsizetype units = maxUnits;
    if (units > 0 && text.at(units - 1).isHighSurrogate() && text.at(units).isLowSurrogate())
        --units;
    return text.left(units);
}

QString AsReadFromAttribute(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u' ';
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n' || c == u'\t') {
            out += u' ';
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray WithLineFeedReferences(const QByteArray &xml)
{
    static const QByteArray escaped = QByteArrayLiteral("&amp;#xA;");
    if (!xml.contains(escaped))
        return xml;
    return StrTranSpeedAnsi(xml, escaped, QByteArrayLiteral("&#xA;"));
}

void SetPacketAttribute(pugi::xml_node node, const char *name, const QString &value)
{
    node.append_attribute(name).set_value(WithXmlCharactersOnly(value).toUtf8().constData());
}
