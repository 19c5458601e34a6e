#pragma once
// The data module: the connection to the certificate database Tessal.sqb, the
// list, goods, pick-list and scratch queries over it, the two insert
// statements every writer of a certificate uses, the options and phrases, and
// the users-and-settings dataset with its file k.cod. It reads the
// workstation file i.cod when it is created and writes k.cod when destroyed.
#include "ClientDataSet.h"
#include "DataSetModel.h"
#include "DatabaseOptions.h"
#include "SqlQuery.h"
#include "SqliteDatabase.h"
#include "TobTransf.h"
#include "WorkstationFile.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class ProgressSink;
class THttpsConnection;

// One line for the synchronisation window's log. Steps that are given none
// show such texts in a message box where they say so.
using MemoLine = std::function<void(const QString &line)>;

// Results of TDM::SavePhrase.
namespace PhraseSaved {
constexpr uint8_t AlreadyThere = 0, Added = 1, Failed = 2, UnknownLanguage = 3;
}

class TDM : public QObject {
    Q_OBJECT
public:
    // Reads i.cod of the program folder (DataModuleCreate) and becomes the
    // instance DM() names.
    explicit TDM(const QString &programDir, QObject *parent = nullptr);
    // Writes k.cod (DataModuleDestroy) unless the stop flag is set.
    ~TDM() override;

    const QString &programDir() const { return m_programDir; }
    QString dataDir() const;                      // <program folder>/data
    QString dataFile(const QString &name) const; // <program folder>/data/<name>
    QString databasePath() const { return dataFile(QStringLiteral("Tessal.sqb")); }

    // ---- database (creation, checks, upgrade)
    // Whether the load reads the certificate list's first page, or leaves the
    // list closed for the list's page, which counts it and reads only the page
    // it shows.
    enum class ListOpening { WithLoad, ByListPage };
    // Opens, creates or upgrades the database and opens the queries; sets the
    // stop flag when the database cannot be used.
    void LoadAll(ListOpening listOpening = ListOpening::WithLoad);
    // (Re)prepares QueryInsM and QueryInsD with typed, empty parameters;
    // DateIssued is today, Expert the current user.
    void SupportInsert();
    // Deactivates ASQD and ASQM, disconnects the database and closes cdsK
    // (with cdsUsers) when isClose is true.
    void CloseALL(bool isClose);
    // Closes every query and disconnects the database, leaving the users
    // dataset open (another program is about to write the database files).
    void DisconnectDatabase();
    // Connects Tessal.sqb again (it must exist) and opens the queries.
    void ReconnectDatabase();
    // The connection's "before connect": ASQD gets its one integer parameter id.
    void ASQLite3DBdBeforeConnect();
    // Reopens ASQD on the goods lines of ASQM's current certificate.
    void OpenGoodsOfCurrent();
    // The id of ASQM's current certificate; -1 when the list is closed or empty.
    qint64 CurrentCertificateId();
    // Puts a dataset into edit state unless it is editing or inserting already.
    void CheckEdit(DataSet &DS);
    void CheckEdit(ClientDataSet &DS);
    // Where a long step (the upgrade) reports its progress; none by default.
    void setProgressSink(ProgressSink *sink) { m_progress = sink; }

    // ---- options and phrases
    void SaveOption(const QString &UserName, const QString &ParamName, const QString &Value);
    QString ReadOption(const QString &UserName, const QString &ParamName);
    int64_t ReadVersionSQB();
    QString ReadBaseKey();
    // 0 already there, 1 added, 2 error, 3 the language is not two characters.
    uint8_t SavePhrase(const QByteArray &Lang, uint8_t SType, const QString &Name);
    // The first phrase of that kind (of any language when Lang is not two characters).
    QString ReadPhrase(const QByteArray &Lang, uint8_t SType);

    // ---- workstation file and users-and-settings file
    // Reads i.cod into the application state; on failure the stop flag stays set
    // and the operator is told. Run by the constructor; run again after i.cod
    // has been replaced.
    void DataModuleCreate();
    // Reads i.cod again and applies it: the same checks and assignments,
    // raising AppError on failure.
    void ReloadWorkstationFile();
    // Puts a read workstation file into the application state, the language
    // list and the workstation label.
    void UseWorkstationFile(const WorkstationFile &file);
    // The certificate languages of i.cod, for the language choice.
    const QList<WorkstationLanguage> &Languages() const { return m_languages; }
    // "АРМ " + workstation number, for the main window's label.
    const QString &WorkstationLabel() const { return m_workstationLabel; }

    // Reads k.cod into cdsK: the current form, else the older form (rewritten
    // at once), else a new settings record with no users. Then copies the
    // range and archive settings into the application state; a negative range
    // value raises.
    void ReadUsersFile();
    // Finishes a pending edit of the dataset.
    void Save(ClientDataSet &DS);
    // Save of cdsUsers, then of cdsK.
    void Save();
    // Save, then writes cdsK with its users to k.cod, enciphered.
    void SaveAll();
    QString usersFilePath() const { return dataFile(QStringLiteral("k.cod")); }

    // ---- server exchange steps of the synchronisation (they live with it, in src/sync)
    // Checks the hello answer, shows its messages in Memo, and asks its
    // central database servers in turn for a new workstation file. The first
    // file that passes every check of a workstation file replaces i.cod
    // atomically and is applied; a refused or failed delivery leaves i.cod as
    // it was and the next server is asked. Raises AppError when none delivers.
    void LoadNewICod(THttpsConnection &Connection, const QByteArray &Identity, const QString &Hello,
                     const MemoLine &Memo, const QString &Location);
    // Checks the hello answer, shows its messages in Memo, and returns the
    // base path of the first central database server whose version answer
    // has a `certificate`; the connection is left pointing at that server.
    // Raises AppError when there is none.
    QString FindCdbServer(THttpsConnection &Connection, const QByteArray &Identity, const QString &Hello,
                          const MemoLine &Memo, const QString &Location);

    // ---- components
    SqliteDatabase ASQLite3DBd;
    SqlQuery ASQM;        // the certificate list
    SqlQuery ASQD;        // the goods lines of ASQM's current certificate
    SqlQuery ALQueryWork; // scratch query, one caller at a time, closed after use
    SqlQuery ALQGoods;
    SqlQuery LQueryTemp;
    SqlQuery QueryInsM;
    SqlQuery QueryInsD;
    SqlQuery ASQContragent;
    SqlQuery ASQPhrase;
    ClientDataSet cdsK;
    ClientDataSet &cdsUsers;
    ClientDataSet cdsSearchOptions;
    DataSetModel dsMq;
    DataSetModel dsDq;
    DataSetModel dsContragent;
    DataSetModel dsPhrase;
    DataSetModel dsUsers;
    TobTransformSource obTransformSource;

signals:
    // ASQM moved to another certificate: the main window enables its actions.
    void enableActionsRequested();
    // The workstation label changed (after i.cod was read).
    void workstationLabelChanged(const QString &label);

private:
    void ASQMAfterScroll();
    void connectDatabase(const QString &fileName, SqliteDatabase::OpenMode mode);
    void closeQueriesAndDatabase();
    void createDatabase(const QString &fileName);
    void seedNewDatabase();
    void seedPackages();
    void refuseDatabase(const QString &text);
    // Which layout mcod has: none, the version 3 columns only, or all of version 4.
    enum class McodLayout { Missing, Version3, Version4 };
    McodLayout mcodLayout();
    void upgradeToCurrentVersion(McodLayout layout);
    void recoverLeftoverRows(McodLayout layout);
    bool tableHoldsRows(const QString &table);
    void rebuildMcodFromVersion3();
    void copyRowsInBatches(const QString &from, const QString &to, const QString &targetColumns,
                           const QString &sourceValues);
    void addLookupIndexes();
    void fixOlderRows();
    void openQueries(ListOpening listOpening = ListOpening::WithLoad);
    // Delete and insert of one option, inside the caller's transaction.
    void writeOption(const QString &UserName, const QString &ParamName, const QString &Value);
    QString readCommonOption(const QString &ParamName);
    void reopenPhrases();
    void loadUsersFile(bool olderForm);
    void setAsideUnreadableUsersFile(const QString &failure);
    void buildEmptyUsersFile();
    void copySettingsToState();

    QString m_programDir;
    QList<WorkstationLanguage> m_languages;
    QString m_workstationLabel;
    ProgressSink *m_progress = nullptr;
};

// The data module of the run; null before the start-up creates it.
TDM *DM();

// The fields of the users-and-settings record and of its nested users.
QList<FieldDef> UsersFields();
QList<FieldDef> SettingsFields();
