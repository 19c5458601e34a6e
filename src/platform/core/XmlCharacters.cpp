#include "XmlCharacters.h"

#include <algorithm>

bool IsXmlCharacter(char16_t c)
{
    if (c == u'\t' || c == u'\n' || c == u'\r')
        return true;
    return c >= 0x20 && c != 0xFFFE && c != 0xFFFF;
}

QString WithXmlCharactersOnly(const QString &text)
{
    const auto kept = [](QChar c) { return IsXmlCharacter(c.unicode()); };
    if (std::all_of(text.cbegin(), text.cend(), kept))
        return text;
    QString result;
    result.reserve(text.size());
    for (const QChar c : text)
        if (kept(c))
            result.append(c);
    return result;
}
