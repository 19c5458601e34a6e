// Posts one message to a window handle, as Restavo does when it replies:
//   PostReply [--token TOKEN] <handle> <message> <wParam> <lParam>
// Without --token the reply token comes from TESSAL_REPLY_TOKEN (set for a
// program that the workstation started). Exit code 0 when the message was
// delivered, 1 when not, 2 on wrong arguments.
#include "StrictDecimal.h"
#include "WindowMessages.h"

#include <QByteArray>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

namespace {
std::optional<quint32> ReadHandleOrMessage(const char *text)
{
    const std::optional<qint64> value = ParseStrictDecimal(text);
    if (!value || *value < 0 || *value > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return static_cast<quint32>(*value);
}
} // namespace

int main(int argc, char **argv)
{
    int first = 1;
    if (argc > 2 && strcmp(argv[1], "--token") == 0) {
        qputenv(ReplyTokenVariable, argv[2]);
        first = 3;
    }
    if (argc - first != 4) {
        fprintf(stderr, "usage: PostReply [--token TOKEN] <handle> <message> <wParam> <lParam>\n");
        return 2;
    }
    const auto handle = ReadHandleOrMessage(argv[first]);
    const auto message = ReadHandleOrMessage(argv[first + 1]);
    const auto wParam = ParseStrictInt32(argv[first + 2]);
    const auto lParam = ParseStrictInt32(argv[first + 3]);
    if (!handle || !message || !wParam || !lParam) {
        fprintf(stderr, "PostReply: handle and message are unsigned, wParam and lParam signed 32-bit integers\n");
        return 2;
    }
    return PostMessage(*handle, *message, *wParam, *lParam) ? 0 : 1;
}
