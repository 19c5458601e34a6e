#include "SyncChain.h"

#include "CertificateParams.h"
#include "ChangeList.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "DataTessalNumbering.h"
#include "DatabaseOptions.h"
#include "ExchangeFiles.h"
#include "GGDateTime.h"
#include "ProgramVersion.h"
#include "ServerAnswers.h"
#include "StrictDecimal.h"
#include "SyncStartDay.h"
#include "SyncWindowCore.h"
#include "SyncTexts.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QDir>

SyncChain::SyncChain(TDM &dm, SyncWindowCore &core, SyncWindowOutput &output, RestavoChainPorts ports)
    : RestavoChain(dm, core, output, std::move(ports),
                   Wording{SyncTexts::SyncExchange, WSyncFinishMessage, SyncTexts::SyncAborted,
                           QStringLiteral("Зафиксирована %1 ошибка синхронизации.")})
{
    addOpeningSteps({WSync1Message, WSyncCodMessage, WSync2Message, WSyncVersionMessage, WSyncChangeMessage,
                     "WSync1", "WSyncCod", "WSync2", "WSyncVersion"});
    addStep(WSyncChangeMessage, "WSyncChange", [this](qint32 wParam) { WSyncChange(wParam); });
    addStep(WSyncPostDayMessage, "WSyncPostDay", [this](qint32 wParam) { WSyncPostDay(wParam); });
    addStep(WSyncPostFileMessage, "WSyncPostFile", [this](qint32 wParam) { WSyncPostFile(wParam); });
    addStep(WSyncUpdateMessage, "WSyncUpdate", [this](qint32 wParam) { WSyncUpdate(wParam); });
    addEnd("WSyncFinish", [this] { WSyncFinish(); });
}

void SyncChain::start()
{
    if (!begin(WSync1Message))
        return;
    if (m_ports.running)
        m_ports.running(true);
    status(SyncTexts::Transferring);
}

// ---------------------------------------------------------------- the server's changes

void SyncChain::WSyncChange(qint32 wParam)
{
    if (wParam == 1) {
        const QString lastChange = m_dm.ReadOption(CommonUser, QStringLiteral("lastChange"));
        startUnlessAborted(7, versionArguments(ParseStrictDecimal(lastChange.toUtf8()).value_or(0)));
    } else if (wParam == 0) {
        applyChanges();
    } else {
        fail(QStringLiteral("Ошибка обращения change"), QStringLiteral("Ошибка обращения WSyncChange(change)"),
             QStringLiteral("Ошибка обращения change"));
    }
}

void SyncChain::applyChanges()
{
    try {
        const QByteArray answer = FileToString(dataFile(ExchangeFiles::Change));
        if (QString::fromUtf8(answer).isEmpty()) {
            log(QStringLiteral("Сервер вернул пустую строку на change"));
            end();
            return;
        }
        ChangeListApplication changes(m_dm.ASQLite3DBd, answer);
        ApplyChangesAndReopen(changes, [this] { ReopenCertificateList(m_dm, 0); });
        try {
            changes.cleanIfDue();
        } catch (const std::exception &e) {
            throw AppError(QStringLiteral("зачистка по  файлу: ") + ExceptionText(e));
        }
        m_core.aStatusExecute();
    } catch (const std::exception &e) {
        const QString message = ExceptionText(e);
        fail(message, SyncTexts::ParseFailure,
             QStringLiteral("[Sync.TfSync.WSyncChange] Сбой при разборе : ") + message);
        return;
    }
    post(WSyncPostDayMessage, -2);
}

// ---------------------------------------------------------------- the days

bool SyncChain::walkEnds(qint32 wParam, quint32 next)
{
    if (wParam == -3) {
        log(QStringLiteral("Ошибка синхронизации"));
        end(1, 2);
        return true;
    }
    if (wParam == -1) {
        post(next, -2);
        return true;
    }
    return endIfAborted();
}

void SyncChain::WSyncPostDay(qint32 wParam)
{
    if (walkEnds(wParam, WSyncPostFileMessage))
        return;
    int64_t day = wParam; // the next day that the last run named
    if (wParam == -2) {
        log(QString());
        log(QStringLiteral("передаём сертификаты на сервер"));
        SyncStartDay = 0;
        const std::optional<int64_t> first = startDay();
        if (!first)
            return;
        SyncStartDay = *first;
        day = *first;
    }
    log(QString());
    if (day <= DateToDayNumber(Today()))
        log(QStringLiteral("Ищем сертификаты c ") + FormatDayNumber(day));
    startRestavo(8, versionArguments(day));
}

std::optional<int64_t> SyncChain::startDay()
{
    QString lastDate;
    try {
        const QByteArray answer = FileToString(dataFile(ExchangeFiles::Version));
        try {
            lastDate = ReadVersionAnswer(QString::fromUtf8(answer)).lastDate;
        } catch (const std::exception &e) {
            throw AppError(ExceptionText(e) + QStringLiteral("\r\nпохоже проблема с version.xml\r\n"));
        }
    } catch (const std::exception &e) {
        log(SyncTexts::ErrorPrefix + ExceptionText(e));
        end();
        return std::nullopt;
    }
    try {
        return ::SyncStartDay(lastDate, GetMinDateOfDocument(m_dm), GetMaxLastDate(m_dm));
    } catch (const std::exception &e) {
        // A day the server names wrongly is no day to start at: the chain ends.
        log(ExceptionText(e));
        end();
        return std::nullopt;
    }
}

// ---------------------------------------------------------------- the attached files

void SyncChain::WSyncPostFile(qint32 wParam)
{
    if (walkEnds(wParam, WSyncUpdateMessage))
        return;
    if (wParam == -2) {
        log(QString());
        log(QStringLiteral("передаём доплнительные файлы на сервер"));
    }
    log(QString());
    log(QStringLiteral("Ищем сертификат c неотправленным файлом"));
    // The run sends one file and answers 5 while any may be left.
    startRestavo(13, versionArguments(wParam));
}

// ---------------------------------------------------------------- the updates

void SyncChain::WSyncUpdate(qint32 wParam)
{
    if (wParam == -1) {
        startUpdater();
        return;
    }
    if (endIfAborted())
        return;
    qint32 index = wParam; // the next item, as the last download named it
    if (wParam == -2) {
        if (!listUpdates())
            return;
        index = 0;
    }
    const TGGStringList &items = m_core.UpdateList;
    if (index < 0) {
        end();
        return;
    }
    if (index >= items.size()) {
        post(WSyncUpdateMessage, -1);
        return;
    }
    startRestavo(9, {RestavoArgument::number(index), RestavoArgument::text(ProgramVersion),
                     RestavoArgument::text(items.at(index))});
}

bool SyncChain::listUpdates()
{
    log(QString());
    log(SyncTexts::CheckingUpdates);
    m_core.UpdateList.clear();
    VersionAnswer versions;
    try {
        versions = ReadVersionAnswer(QString::fromUtf8(FileToString(dataFile(ExchangeFiles::Version))));
    } catch (const std::exception &e) {
        updateFailed(ExceptionText(e));
        return false;
    }
    // A version answer that could be read completes the synchronisation
    // (LastSync), also when it offers nothing.
    m_core.recordUpdateCheck(versions.versions);
    if (!versions.hasVersions) {
        log(SyncTexts::NoUpdates);
        end(-2, 2);
        return false;
    }
    if (m_core.UpdateList.isEmpty()) {
        end(-2, 2);
        return false;
    }
    const QString folder = JoinPath(m_dm.programDir(), DownloadFolderName);
    if (!QDir().mkpath(folder)) {
        updateFailed(SyncTexts::FolderNotMade + folder);
        return false;
    }
    return true;
}

void SyncChain::startUpdater()
{
    try {
        if (HandOverToUpdater(m_dm.programDir(), m_core.UpdateList, m_output, m_ports.startUpdater)) {
            // The main window does not close while an exchange holds the guard.
            releaseGuard();
            if (m_ports.closeMainWindow)
                m_ports.closeMainWindow();
        }
    } catch (const std::exception &e) {
        updateFailed(ExceptionText(e));
        return;
    }
    end(-2, 2);
}

void SyncChain::updateFailed(const QString &message)
{
    fail(message, QStringLiteral("Сбой при обновлении"),
         QStringLiteral("[Sync.TfSync.WSyncUpdate] Сбой при обновлении : ") + message);
}

void SyncChain::WSyncFinish()
{
    if (m_ports.running)
        m_ports.running(false);
    log(SyncTexts::SyncFinished);
    finish();
}
