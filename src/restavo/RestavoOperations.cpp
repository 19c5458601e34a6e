#include "RestavoOperations.h"
#include "RollbackLoader.h"
#include "Sim.h"
#include "ggError.h"
#include "ggFiles.h"

#include <memory>

// Each entry reads its arguments in word order (integers are converted at
// once, so a bad integer word fails the run even when the value is not used)
// and then runs its worker: the restore loader TRollback for operation 1, the
// server worker TSim for 2 to 13, through RunWorker so that the worker is
// freed before the reply goes out.

namespace {

// Runs one method of a server worker made for this run.
template <class Method>
qint32 RunSim(Method method)
{
    return RunWorker([] { return std::make_unique<TSim>(); }, method);
}

qint32 RunHello(const CommandWords &words)
{
    const QString version = words.text(4);
    return RunSim([&](TSim &sim) { return sim.ExecuteHello(version); });
}

} // namespace

OperationTable RestavoOperationTable()
{
    OperationTable table;

    // Start index, path of the restore XML -> TRollback(path).Execute(start index).
    table.set(1, [](const CommandWords &words) {
        const qint32 startIndex = words.integer(4);
        const QString xmlPath = words.text(5);
        return RunWorker([&] { return std::make_unique<TRollback>(xmlPath, DataDir()); },
                         [&](TRollback &loader) { return loader.Execute(startIndex); });
    });
    // Version -> TSim.ExecuteHello.
    table.set(2, RunHello);
    table.set(3, RunHello);
    table.set(5, RunHello);
    // Server index, version -> TSim.ExecuteCod.
    table.set(4, [](const CommandWords &words) {
        const qint32 serverIndex = words.integer(4);
        const QString version = words.text(5);
        return RunSim([&](TSim &sim) { return sim.ExecuteCod(version, serverIndex); });
    });
    // Server index, version -> TSim.ExecuteVersion.
    table.set(6, [](const CommandWords &words) {
        const qint32 serverIndex = words.integer(4);
        const QString version = words.text(5);
        return RunSim([&](TSim &sim) { return sim.ExecuteVersion(version, serverIndex); });
    });
    // Last known change id, version -> TSim.ExecuteChange.
    table.set(7, [](const CommandWords &words) {
        const qint32 lastChange = words.integer(4);
        const QString version = words.text(5);
        return RunSim([&](TSim &sim) { return sim.ExecuteChange(version, lastChange); });
    });
    // Day number, version -> TSim.ExecutePostDay.
    table.set(8, [](const CommandWords &words) {
        const qint32 day = words.integer(4);
        const QString version = words.text(5);
        return RunSim([&](TSim &sim) { return sim.ExecutePostDay(version, day); });
    });
    // Item index, version, update item -> TSim.ExecuteUpdate.
    table.set(9, [](const CommandWords &words) {
        const qint32 itemIndex = words.integer(4);
        const QString version = words.text(5);
        const QString item = words.text(6);
        return RunSim([&](TSim &sim) { return sim.ExecuteUpdate(version, itemIndex, item); });
    });
    // Version -> TSim.ExecuteRestore.
    table.set(10, [](const CommandWords &words) {
        const QString version = words.text(4);
        return RunSim([&](TSim &sim) { return sim.ExecuteRestore(version); });
    });
    // No arguments -> TSim.ExecuteWSDL.
    table.set(11, [](const CommandWords &) { return RunSim([](TSim &sim) { return sim.ExecuteWSDL(); }); });
    // Version (not used), account, password (a secret word), user name,
    // project number, program user -> TSim.GetProject.
    table.set(12, [](const CommandWords &words) {
        const QString version = words.text(4);
        const QString account = words.text(5);
        const QString password = words.text(6);
        const QString userName = words.text(7);
        const qint32 projectNumber = words.integer(8);
        const QString programUser = words.text(9);
        return RunSim([&](TSim &sim) {
            return sim.GetProject(version, account, password, userName, projectNumber, programUser);
        });
    });
    // An integer (not used), version -> TSim.ExecutePostFile.
    table.set(13, [](const CommandWords &words) {
        words.integer(4);
        const QString version = words.text(5);
        return RunSim([&](TSim &sim) { return sim.ExecutePostFile(version); });
    });
    return table;
}
