#include "UnreadableValueJournal.h"

#include "CommonTessal.h"

#include <QSet>

#include <memory>

UnreadableValueHandler UnreadableValueJournal(const QByteArray &location)
{
    auto logged = std::make_shared<QSet<QString>>();
    return [logged, location](const UnreadableValue &cell) {
        const QString text = QStringLiteral("table %1, row id %2, column %3: %4; read as NULL")
                                 .arg(cell.table, cell.rowId, cell.column, cell.reason);
        if (logged->contains(text))
            return;
        logged->insert(text);
        LogFunctionFailure(location, text);
    };
}
