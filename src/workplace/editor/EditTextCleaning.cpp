#include "EditTextCleaning.h"

#include "BorinWin.h"

#include <algorithm>

namespace {
const QString CR = QStringLiteral("\r");
const QString LF = QStringLiteral("\n");
const QString CRLF = QStringLiteral("\r\n");
} // namespace

const QString &EditControlCharacters()
{
    static const QString set = [] {
        QString s;
        for (ushort c = 0; c < 32; ++c)
            if (c != 9 && c != 10 && c != 13)
                s.append(QChar(c));
        return s;
    }();
    return set;
}

QString RemoveEditControlCharacters(const QString &text)
{
    return RemoveCharsW(EditControlCharacters(), text);
}

QString CleanMemoText(const QString &text)
{
    QString t = StrTran(text, CR, CRLF);
    t = StrTran(t, LF + LF, LF);
    t = StrTran(t, LF, CRLF);
    t = StrTran(t, CR + CR, CR);
    t = RemoveEditControlCharacters(t);
    return StrTran(t, QStringLiteral("\t"), QStringLiteral(" "));
}

QString CleanLineText(const QString &text)
{
    QString t = StrTran(text, CR, QString());
    t = StrTran(t, LF, QString());
    t = RemoveEditControlCharacters(t);
    return StrTran(t, QStringLiteral("\t"), QStringLiteral(" "));
}

QString CleanNumberText(const QString &text)
{
    return StrTran(text, QStringLiteral("_"), QStringLiteral("0"));
}

int CleanedCursorPosition(const QString &before, int cursor, QString (*clean)(const QString &),
                          int cleanedLength)
{
    cursor = std::clamp(cursor, 0, int(before.size()));
    return std::min(int(clean(before.left(cursor)).size()), cleanedLength);
}
