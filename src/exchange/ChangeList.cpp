#include "ChangeList.h"

#include "ConversionTexts.h"
#include "DatabaseOptions.h"
#include "DateWords.h"
#include "ServerAnswers.h"
#include "SqliteDatabase.h"
#include "StrictDecimal.h"
#include "ggError.h"

#include <pugixml.hpp>

#include <algorithm>

namespace {

const QString UpdateStatement = QStringLiteral(
    "update mcod SET CertNo = :newCertNo, ReferenceNo = :newReferenceNo, status = :newstatus, GNum = :GNum, "
    "Language = :newLanguage, NumNum = :NumNum where (CertNo = :oldCertNo) and (ReferenceNo = :oldReferenceNo) "
    "and (Language = :oldLanguage) and (status = :oldstatus)");

const QString LastChange = QStringLiteral("lastChange");

// Characters From.. (0-based, Count of them) of a reference number as a
// number: exactly that many decimal digits.
int32_t ReferenceDigits(const QByteArray &reference, qsizetype from, qsizetype count)
{
    const QByteArray piece = reference.mid(from, count);
    const bool digits = piece.size() == count
        && std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits)
        throw AppError(NotAnIntegerText(piece));
    return ToInteger(piece);
}

QByteArray WithoutTrailingBlanks(QByteArray text)
{
    while (!text.isEmpty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.chop(1);
    return text;
}

} // namespace

ChangeListApplication::ChangeListApplication(SqliteDatabase &db, const QByteArray &answer) : m_db(db)
{
    pugi::xml_document document;
    LoadAnswerXml(document, answer);
    const pugi::xml_node root = document.document_element();

    if (const pugi::xml_node clean = root.child("clean")) {
        const QString date = QString::fromUtf8(clean.attribute("date").value());
        m_cleanDay = DayNumberOfDateWords(date);
        if (!m_cleanDay)
            throw AppError(QStringLiteral("Неверная дата зачистки: \"%1\"").arg(date));
        SqliteStatement oldest(m_db, QStringLiteral("select min(LastDate) as dw from mcod"));
        const int64_t dw = oldest.step() ? oldest.columnInteger(0) : 0;
        m_cleanDue = dw < *m_cleanDay;
    }

    for (const pugi::xml_node &element : root.child("changes").children("certificate-change")) {
        auto text = [&element](const char *name) { return QByteArray(element.attribute(name).value()); };
        m_changes.append({text("id"), text("oldStatus"), text("newStatus"), text("newBlankNo"), text("oldBlankNo"),
                          text("newReferenceNo"), text("oldReferenceNo"), text("newLanguage"), text("oldLanguage")});
    }
}

void ChangeListApplication::applyChanges()
{
    // Each change applied advances lastChange to its own id.
    int64_t known = ParseStrictDecimal(DatabaseOptions(m_db).readCommon(LastChange).toUtf8()).value_or(0);
    for (const Change &change : m_changes) {
        const int64_t id = ToInteger(change.id);
        if (id > known) {
            apply(change, id);
            known = id;
        }
    }
}

void ChangeListApplication::apply(const Change &change, int64_t id)
{
    const int32_t newCertNo = ToInteger(change.newBlankNo);
    const int32_t newStatus = ToInteger(change.newStatus);
    const int32_t gNum = ReferenceDigits(change.newReferenceNo, 0, 1);
    const int32_t numNum = ReferenceDigits(change.newReferenceNo, 4, 6);
    const int32_t oldCertNo = ToInteger(change.oldBlankNo);
    const int32_t oldStatus = ToInteger(change.oldStatus);

    SqliteTransaction transaction(m_db);
    try {
        SqliteStatement update(m_db, UpdateStatement);
        update.bindInteger(QStringLiteral("newCertNo"), newCertNo);
        update.bindText(QStringLiteral("newReferenceNo"), QString::fromUtf8(change.newReferenceNo));
        update.bindInteger(QStringLiteral("newstatus"), newStatus);
        update.bindInteger(QStringLiteral("GNum"), gNum);
        update.bindText(QStringLiteral("newLanguage"), QString::fromUtf8(change.newLanguage));
        update.bindInteger(QStringLiteral("NumNum"), numNum);
        update.bindInteger(QStringLiteral("oldCertNo"), oldCertNo);
        update.bindText(QStringLiteral("oldReferenceNo"), QString::fromUtf8(WithoutTrailingBlanks(change.oldReferenceNo)));
        update.bindText(QStringLiteral("oldLanguage"), QString::fromUtf8(change.oldLanguage));
        update.bindInteger(QStringLiteral("oldstatus"), oldStatus);
        update.execute();
    } catch (const AppError &e) {
        transaction.rollback();
        throw AppError(e.message() + QLatin1Char(' ') + UpdateStatement);
    }
    DatabaseOptions(m_db).write(CommonUser, LastChange, QString::number(id));
    transaction.commit();
}

void ChangeListApplication::cleanIfDue()
{
    if (!m_cleanDue)
        return;
    SqliteTransaction transaction(m_db);
    const QString older = QStringLiteral(" where LastDate < :day");
    SqliteStatement goods(m_db, QStringLiteral("delete from dcod where idM in (select id from mcod") + older
                                    + QLatin1Char(')'));
    goods.bindInteger(QStringLiteral("day"), *m_cleanDay);
    goods.execute();
    SqliteStatement heads(m_db, QStringLiteral("delete from mcod") + older);
    heads.bindInteger(QStringLiteral("day"), *m_cleanDay);
    heads.execute();
    transaction.commit();
}

void ApplyChangesAndReopen(ChangeListApplication &changes, const std::function<void()> &reopen)
{
    try {
        changes.applyChanges();
    } catch (...) {
        reopen();
        throw;
    }
    reopen();
}

void ApplyChangeList(SqliteDatabase &db, const QByteArray &answer)
{
    ChangeListApplication changes(db, answer);
    changes.applyChanges();
    changes.cleanIfDue();
}
