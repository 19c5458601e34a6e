#pragma once
// Restavo's program block as a testable unit: reads the operation and its
// arguments from the command line, runs the operation and says which one
// reply to post. Operation codes 1 to 13 always get exactly one reply: the
// result with lParam 2, or (0, 1) when anything raised. Other codes get none.
#include "CommandWords.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>

struct RestavoReply {
    quint32 handle = 0; // 0 when the failure came before the handle was read: it reaches nobody
    quint32 message = 0;
    qint32 wParam = 0;
    qint32 lParam = 0;

    bool operator==(const RestavoReply &) const = default;
};

// One operation: reads its arguments from the words (integers converted at
// once), runs its worker and returns the worker's result.
using RestavoOperation = std::function<qint32(const CommandWords &words)>;

// Operation code (the low 8 bits of word 1) -> operation. A code without an
// operation ends the run without a reply.
class OperationTable {
public:
    void set(quint8 operation, RestavoOperation run) { m_operations[operation] = std::move(run); }
    const RestavoOperation *find(quint8 operation) const
    {
        return m_operations[operation] ? &m_operations[operation] : nullptr;
    }

private:
    std::array<RestavoOperation, 256> m_operations;
};

// The reply to post for the command line, or nothing.
std::optional<RestavoReply> DispatchCommand(const QString &commandLine, const OperationTable &table);

// Creates a worker, runs one method of it and frees it whether or not the
// method raised; what the method raised is raised again after the worker is
// gone. A worker whose destructor raises (noexcept(false)) fails the run too.
template <class Create, class Method>
qint32 RunWorker(Create create, Method method)
{
    auto worker = create();
    std::exception_ptr failure;
    qint32 result = 0;
    try {
        result = method(*worker);
    } catch (...) {
        failure = std::current_exception();
    }
    // Not reset(): that is noexcept, and freeing a worker may raise.
    delete worker.release();
    if (failure)
        std::rethrow_exception(failure);
    return result;
}
