#pragma once
// The server's list of certificate changes applied to mcod. The changes
// answer of the synchronisation, the message chain's change.xml and the
// update package's changes.xml all go through here:
//
//   ChangeListApplication changes(db, answer); // reads it, tests the clean
//   changes.applyChanges();                    // each change above lastChange
//   ... (the list shown is reopened here)
//   changes.cleanIfDue();                      // rows older than the clean day
//
// Each change is its own transaction, together with the lastChange it
// advances, so a failure keeps every change applied before it and the next
// run resumes after the last one applied.
#include <QByteArray>
#include <QList>
#include <cstdint>
#include <functional>
#include <optional>

class SqliteDatabase;

class ChangeListApplication {
public:
    // Reads the answer (UTF-8 XML) and, when it has a `clean`, its day and
    // whether mcod holds rows older than it. An answer that is not XML or a
    // clean date that names no day raises AppError.
    ChangeListApplication(SqliteDatabase &db, const QByteArray &answer);

    // Applies every `certificate-change` whose id is above the option
    // lastChange, in document order; a change that matches no row still
    // advances lastChange. Raises AppError at the first change that fails.
    void applyChanges();
    // When a clean is due, deletes the heads older than the clean day and
    // their goods lines in one transaction; raises AppError on failure.
    void cleanIfDue();

    std::optional<int64_t> cleanDay() const { return m_cleanDay; }
    bool cleanIsDue() const { return m_cleanDue; }

private:
    struct Change {
        QByteArray id, oldStatus, newStatus, newBlankNo, oldBlankNo, newReferenceNo, oldReferenceNo, newLanguage,
            oldLanguage;
    };
    void apply(const Change &change, int64_t id);

    SqliteDatabase &m_db;
    QList<Change> m_changes;
    std::optional<int64_t> m_cleanDay;
    bool m_cleanDue = false;
};

// applyChanges, then Reopen (the list the operator sees), also when a change
// failed: the changes applied before it stay and show. The failure is raised
// after the reopening.
void ApplyChangesAndReopen(ChangeListApplication &changes, const std::function<void()> &reopen);

// The whole rule at once: changes, then the clean when due.
void ApplyChangeList(SqliteDatabase &db, const QByteArray &answer);
