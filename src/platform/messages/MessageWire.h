#pragma once
// The wire form of a message posted to a window of another process: one line
// of text, "<handle> <message> <wParam> <lParam> <token>\n", numbers in
// decimal (the two parameters signed). The token names the program start the
// message answers; "-" when there is none.
#include <QByteArray>
#include <optional>

struct WireMessage {
    quint32 handle = 0;
    quint32 message = 0;
    qint32 wParam = 0;
    qint32 lParam = 0;
    QByteArray token; // empty: none

    bool operator==(const WireMessage &) const = default;
};

// The longest line a receiver accepts, newline included.
constexpr int MaxWireLineLength = 256;

QByteArray FormatWireLine(const WireMessage &message);
// One line without its newline; nothing when it is not well formed.
std::optional<WireMessage> ParseWireLine(const QByteArray &line);

// A token is 1 to 64 letters and digits.
bool IsWellFormedToken(const QByteArray &token);
