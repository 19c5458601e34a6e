// The worker's shared services: the workstation file, the identity, the
// server of the chain, the options and the operations' failure records.
#include "Sim.h"

#include "BorinWin.h"
#include "CdbRequests.h"
#include "DatabaseOptions.h"
#include "ServerAnswers.h"
#include "SimRecords.h"
#include "UnreadableValueJournal.h"
#include "WaitWindowProgress.h"
#include "WorkstationFile.h"
#include "ggFiles.h"
#include "qlMsInternet.h"

TSim::TSim() : TSim(ProgramDir()) {}

TSim::TSim(const QString &programDir) : m_programDir(programDir)
{
    // The reader checks the whole file (Name, for, the numbers, the key, the
    // server, the version and the flags), as the workstation does at start.
    m_workstation = ReadWorkstationFile(dataFile(WorkstationFileName));
    ChamberNumber = m_workstation.dovNumber;
    WorkstationNumber = m_workstation.NumLocale;
    ChamberKey = m_workstation.dovKey;
    ServerUrl = m_workstation.adr;
    ServerPort = m_workstation.port;
}

TSim::~TSim() = default;

QByteArray TSim::identity(const QString &version) const
{
    return IdentityQuery(ChamberNumber, WorkstationNumber, ChamberKey, version);
}

QString TSim::dataFile(const QString &name) const
{
    return JoinPath(DataDirOf(m_programDir), name);
}

QByteArray TSim::pointAtCdbServer(THttpsConnection &connection, const ServerAttributes &server)
{
    connection.CertificateSubject = CdbCertificateSubject;
    return UseCdbServer(connection, server);
}

QByteArray TSim::useChainServer(THttpsConnection &connection, const QString &location)
{
    const QByteArray params = FileToString(dataFile(ExchangeFiles::Params));
    RecordDiagnostic(QLatin1Char('[') + location + QStringLiteral("] params.txt = ") + QString::fromUtf8(params));
    const QByteArray comma(",");
    return pointAtCdbServer(connection, {ExtractWord(params, comma, 1), ExtractWord(params, comma, 2),
                                         ExtractWord(params, comma, 3)});
}

std::unique_ptr<ProgressSink> TSim::progressWindow() const
{
    if (MakeProgressWindow)
        return MakeProgressWindow();
    return std::make_unique<WaitWindowProgress>();
}

SqliteDatabase &TSim::database()
{
    if (!m_database) {
        auto db = std::make_unique<SqliteDatabase>(dataFile(QStringLiteral("Tessal.sqb")),
                                                   SqliteDatabase::OpenMode::MustExist);
        db->setUnreadableValueHandler(UnreadableValueJournal("TSim.ReadStoredValue"));
        m_database = std::move(db);
    }
    return *m_database;
}

QString TSim::ReadOption(const QString &userName, const QString &paramName)
{
    const QString failure = QStringLiteral("function TSim.ReadOption");
    try {
        return ReadOptionRecorded(database(), userName, paramName, failure);
    } catch (const std::exception &e) {
        RecordOptionFailure(failure, e);
        return QString();
    }
}

void TSim::SaveOption(const QString &userName, const QString &paramName, const QString &value)
{
    const QString failure = QStringLiteral("function DataTessal.TDM.SaveOption");
    try {
        SaveOptionRecorded(database(), userName, paramName, value, failure);
    } catch (const std::exception &e) {
        RecordOptionFailure(failure, e);
    }
}
