#include "RestavoDispatcher.h"

namespace {
constexpr qint32 ReplyDone = 2;
constexpr qint32 ReplyFailed = 1;
} // namespace

std::optional<RestavoReply> DispatchCommand(const QString &commandLine, const OperationTable &table)
{
    const CommandWords words(commandLine);
    RestavoReply reply;
    try {
        // The code is held as an unsigned byte: only its low 8 bits count.
        const auto operation = static_cast<quint8>(words.integer(1) & 0xFF);
        reply.handle = static_cast<quint32>(words.integer(2));
        reply.message = static_cast<quint32>(words.integer(3));
        const RestavoOperation *run = table.find(operation);
        if (!run)
            return std::nullopt;
        reply.wParam = (*run)(words);
        reply.lParam = ReplyDone;
    } catch (...) {
        reply.wParam = 0;
        reply.lParam = ReplyFailed;
    }
    return reply;
}
