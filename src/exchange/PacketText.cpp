#include "PacketText.h"

#include "BorinWin.h"

namespace {

const QString &RemovedChars()
{
    static const QString set = [] {
        QString chars;
        for (char16_t c = 0; c < 0x20; ++c) {
            if (c != u'\t' && c != u'\n' && c != u'\r')
                chars += QChar(c);
        }
        chars += QChar(char16_t(0xFFFE));
        chars += QChar(char16_t(0xFFFF));
        return chars;
    }();
    return set;
}

} // namespace

QString WithoutControlChars(const QString &text)
{
    return RemoveCharsW(RemovedChars(), text);
}

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
    node.append_attribute(name).set_value(WithoutControlChars(value).toUtf8().constData());
}
