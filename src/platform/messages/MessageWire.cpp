#include "MessageWire.h"
#include "StrictDecimal.h"

#include <QList>
#include <limits>

namespace {
const QByteArray NoToken = QByteArrayLiteral("-");

std::optional<quint32> ParseUnsigned32(const QByteArray &text)
{
    if (text.startsWith('-') || text.startsWith('+'))
        return std::nullopt;
    const std::optional<qint64> value = ParseStrictDecimal(text);
    if (!value || *value > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return static_cast<quint32>(*value);
}
} // namespace

bool IsWellFormedToken(const QByteArray &token)
{
    if (token.isEmpty() || token.size() > 64)
        return false;
    for (char c : token) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alnum)
            return false;
    }
    return true;
}

QByteArray FormatWireLine(const WireMessage &message)
{
    return QByteArray::number(message.handle) + ' ' + QByteArray::number(message.message) + ' '
           + QByteArray::number(message.wParam) + ' ' + QByteArray::number(message.lParam) + ' '
           + (message.token.isEmpty() ? NoToken : message.token) + '\n';
}

std::optional<WireMessage> ParseWireLine(const QByteArray &line)
{
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() != 5)
        return std::nullopt;
    const auto handle = ParseUnsigned32(fields[0]);
    const auto message = ParseUnsigned32(fields[1]);
    const auto wParam = ParseStrictInt32(fields[2]);
    const auto lParam = ParseStrictInt32(fields[3]);
    if (!handle || !message || !wParam || !lParam)
        return std::nullopt;
    WireMessage result{*handle, *message, *wParam, *lParam, {}};
    if (fields[4] != NoToken) {
        if (!IsWellFormedToken(fields[4]))
            return std::nullopt;
        result.token = fields[4];
    }
    return result;
}
