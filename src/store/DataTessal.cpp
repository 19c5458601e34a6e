#include "DataTessal.h"

#include "CommonTessal.h"
#include "ConversionTexts.h"
#include "DataPacket.h"
#include "DatabaseSchema.h"
#include "GGDateTime.h"
#include "Prompter.h"
#include "ggError.h"
#include "UnreadableValueJournal.h"
#include "ggFiles.h"
#include "obDCPcrypt.h"

#include <QFile>

namespace {

TDM *g_dataModule = nullptr;

} // namespace

TDM *DM()
{
    return g_dataModule;
}

QList<FieldDef> UsersFields()
{
    return {{QStringLiteral("id"), FieldType::AutoInc},
            {QStringLiteral("UserName"), FieldType::WideString, 64},
            {QStringLiteral("Password"), FieldType::Blob, 32}};
}

QList<FieldDef> SettingsFields()
{
    return {{QStringLiteral("ReferMin"), FieldType::Integer},
            {QStringLiteral("ReferMax"), FieldType::Integer},
            {QStringLiteral("ArchPatch"), FieldType::WideString, 512},
            {QStringLiteral("beginSave"), FieldType::Boolean},
            {QStringLiteral("endSave"), FieldType::Boolean},
            {QStringLiteral("u"), FieldType::Nested, 0, false, UsersFields()}};
}

TDM::TDM(const QString &programDir, QObject *parent)
    : QObject(parent),
      ASQM(&ASQLite3DBd),
      ASQD(&ASQLite3DBd),
      ALQueryWork(&ASQLite3DBd),
      ALQGoods(&ASQLite3DBd),
      LQueryTemp(&ASQLite3DBd),
      QueryInsM(&ASQLite3DBd),
      QueryInsD(&ASQLite3DBd),
      ASQContragent(&ASQLite3DBd),
      ASQPhrase(&ASQLite3DBd),
      cdsUsers(cdsK.nestedDataSet(QStringLiteral("u"))),
      dsMq(&ASQM),
      dsDq(&ASQD),
      dsContragent(&ASQContragent),
      dsPhrase(&ASQPhrase),
      dsUsers(&cdsUsers),
      m_programDir(programDir)
{
    // The list never opens unwindowed: the first page until the list sets its own.
    SetListView(ASQM, ListView{});
    ASQM.setRowWindow(0, ListPageSize);
    ASQD.setSql(QStringLiteral("select * from dcod where (idM = :id) order by dOrder"));
    ASQContragent.setSql(QStringLiteral("select * from Contragent order by nameT"));
    ASQPhrase.setSql(QStringLiteral("select * from Phrase order by name"));
    ASQLite3DBdBeforeConnect();
    // A stored value its column's type cannot hold (an empty date, a fraction
    // in a whole-number column) reads as null and is journalled, so one odd
    // cell does not keep the operator from every other certificate.
    ASQLite3DBd.setUnreadableValueHandler(UnreadableValueJournal("DataTessal.TDM.ReadStoredValue"));
    connect(&ASQM, &DataSet::afterScroll, this, &TDM::ASQMAfterScroll);

    cdsSearchOptions.setFieldDefs({{QStringLiteral("OptionName"), FieldType::WideString, 64},
                                   {QStringLiteral("Value"), FieldType::WideString, 2048}});
    cdsSearchOptions.createDataSet();

    g_dataModule = this;
    DataModuleCreate();
}

TDM::~TDM()
{
    SaveAll();
    if (g_dataModule == this)
        g_dataModule = nullptr;
}

QString TDM::dataDir() const
{
    return DataDirOf(m_programDir);
}

QString TDM::dataFile(const QString &name) const
{
    return JoinPath(dataDir(), name);
}

// ---------------------------------------------------------------- components

void TDM::ASQLite3DBdBeforeConnect()
{
    ASQD.params().clear();
    ASQD.params().add(QStringLiteral("id"), SqlParam::Type::Integer);
}

void TDM::ASQMAfterScroll()
{
    if (App().StopFlag)
        return;
    try {
        OpenGoodsOfCurrent();
        emit enableActionsRequested();
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.ASQMAfterScroll", e);
    }
}

qint64 TDM::CurrentCertificateId()
{
    return ASQM.isActive() && !ASQM.isEmpty() ? ASQM.fieldByName(QStringLiteral("id")).asInteger() : -1;
}

void TDM::OpenGoodsOfCurrent()
{
    ASQD.close();
    ASQD.paramByName(QStringLiteral("id")).setInteger(ASQM.fieldByName(QStringLiteral("id")).asInteger());
    ASQD.open();
}

void TDM::SupportInsert()
{
    try {
        QueryInsM.params().clear();
        QueryInsM.setSql(Schema::InsertMcod());
        for (int i = 0; i < QueryInsM.params().count(); ++i) {
            SqlParam &param = QueryInsM.params().at(i);
            param.setType(Schema::McodParamType(param.name()));
            param.clear();
        }
        QueryInsM.paramByName(QStringLiteral("DateIssued")).setInteger(DateToDayNumber(Today()));
        QueryInsM.paramByName(QStringLiteral("Expert")).setText(App().CurrentUserName);

        QueryInsD.params().clear();
        QueryInsD.setSql(Schema::InsertDcod);
        for (int i = 0; i < QueryInsD.params().count(); ++i) {
            SqlParam &param = QueryInsD.params().at(i);
            const bool number = param.name() == QLatin1String("idM") || param.name() == QLatin1String("dOrder");
            param.setType(number ? SqlParam::Type::Integer : SqlParam::Type::Blob);
            param.clear();
        }
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.SupportInsert", e);
    }
}

void TDM::CloseALL(bool isClose)
{
    if (!isClose)
        return;
    try {
        ASQD.close();
        ASQM.close();
        // Statements kept prepared on the connection go with it.
        for (SqlQuery *query : {&ALQueryWork, &ALQGoods, &LQueryTemp, &QueryInsM, &QueryInsD})
            query->close();
        ASQLite3DBd.close();
        cdsK.close();
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.CloseALL(isClose: boolean)", e);
    }
}

void TDM::CheckEdit(DataSet &DS)
{
    try {
        if (!DS.isEditing())
            DS.edit();
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.CheckEdit(DS: TDataSource)", e);
    }
}

void TDM::CheckEdit(ClientDataSet &DS)
{
    try {
        if (!DS.isEditing())
            DS.edit();
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.CheckEdit(DS: TClientDataSet)", e);
    }
}

// ---------------------------------------------------------------- workstation file

void TDM::DataModuleCreate()
{
    App().StopFlag = true;
    ASQLite3DBd.close();
    try {
        ReloadWorkstationFile();
        App().StopFlag = false;
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.DataModuleCreate", e);
        Prompts().ask(QStringLiteral("проблема с файлом ") + dataFile(WorkstationFileName) + QLatin1Char('\r')
                          + ExceptionText(e),
                      QStringLiteral("Tessal"), Prompt::Error, Prompt::Ok);
    }
}

void TDM::ReloadWorkstationFile()
{
    UseWorkstationFile(ReadWorkstationFile(dataFile(WorkstationFileName)));
}

void TDM::UseWorkstationFile(const WorkstationFile &file)
{
    ApplyWorkstationFile(file);
    m_languages = file.languages;
    m_workstationLabel = QStringLiteral("АРМ ") + QString::number(App().WorkstationNumber);
    emit workstationLabelChanged(m_workstationLabel);
}

// ---------------------------------------------------------------- users-and-settings file

void TDM::ReadUsersFile()
{
    QStringList failures; // why the current form, then the older form, could not be read
    bool loaded = false;
    for (const bool olderForm : {false, true}) {
        try {
            loadUsersFile(olderForm);
            loaded = true;
            break;
        } catch (const std::exception &e) {
            failures << ExceptionText(e);
        }
    }
    if (!loaded) {
        setAsideUnreadableUsersFile(failures.join(QStringLiteral("; в старом формате: ")));
        Prompts().ask(QStringLiteral("Пользователи утрачены. Будет создан новый файл."), App().MessageTitle,
                      Prompt::Information, Prompt::Ok);
        buildEmptyUsersFile();
    }
    copySettingsToState();
}

void TDM::loadUsersFile(bool olderForm)
{
    QByteArray content = FileToString(usersFilePath());
    if (olderForm) {
        obTransformSource.isCrypto = true;
        obTransformSource.Decrypt(content);
    } else {
        DecryptStream(content);
    }
    ClientDataSet candidate;
    LoadDataPacket(candidate, content);
    const Field *users = candidate.findField(QStringLiteral("u"));
    if (!users || users->type() != FieldType::Nested || !candidate.findField(QStringLiteral("ReferMin")))
        throw AppError(QStringLiteral("k.cod holds no users-and-settings record"));
    if (candidate.isEmpty())
        throw AppError(QStringLiteral("k.cod holds no settings row"));
    LoadDataPacket(cdsK, content);
    if (olderForm)
        SaveAll();
}

void TDM::setAsideUnreadableUsersFile(const QString &failure)
{
    const QString path = usersFilePath();
    if (!QFile::exists(path))
        return;
    const QString stamp = Now().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 1; QFile::exists(aside); ++n)
        aside = path + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);
    const bool moved = QFile::rename(path, aside);
    WriteEventLog(EventType::Warning, EventCategory::Diagnostics, EventId::Diagnostic,
                  {path, failure,
                   moved ? QStringLiteral("kept as ") + aside : QStringLiteral("could not be moved to ") + aside});
}

void TDM::buildEmptyUsersFile()
{
    cdsK.close();
    cdsK.setFieldDefs(SettingsFields());
    cdsK.createDataSet();
    cdsK.append();
    cdsK.fieldByName(QStringLiteral("ReferMin")).setValue(0);
    cdsK.fieldByName(QStringLiteral("ReferMax")).setValue(0);
    cdsK.fieldByName(QStringLiteral("ArchPatch")).setValue(QString(""));
    cdsK.fieldByName(QStringLiteral("beginSave")).setValue(false);
    cdsK.fieldByName(QStringLiteral("endSave")).setValue(false);
    cdsK.post();
    Save(cdsK);
}

void TDM::copySettingsToState()
{
    if (!cdsK.isActive())
        return;
    cdsK.first();
    TessalState &app = App();
    app.NumberRangeMin = CheckedUnsigned(cdsK.fieldByName(QStringLiteral("ReferMin")).asInteger());
    app.NumberRangeMax = CheckedUnsigned(cdsK.fieldByName(QStringLiteral("ReferMax")).asInteger());
    app.ArchiveAtStart = cdsK.fieldByName(QStringLiteral("beginSave")).asBoolean();
    app.ArchiveAtExit = cdsK.fieldByName(QStringLiteral("endSave")).asBoolean();
    try {
        app.ArchiveFolder = cdsK.fieldByName(QStringLiteral("ArchPatch")).asString();
    } catch (const std::exception &) {
        app.ArchiveFolder.clear();
    }
}

void TDM::Save(ClientDataSet &DS)
{
    try {
        if (!App().StopFlag && DS.isActive())
            DS.checkBrowseMode();
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.Save(DS: TClientDataSet)", e);
    }
}

void TDM::Save()
{
    try {
        Save(cdsUsers);
        Save(cdsK);
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.Save()", e);
    }
}

void TDM::SaveAll()
{
    if (App().StopFlag)
        return;
    try {
        Save();
        // A module that never read k.cod has nothing to put in its place.
        if (cdsK.definedFields().isEmpty())
            return;
        QByteArray packet = SaveDataPacket(cdsK);
        EncryptStream(packet);
        WriteFileAtomic(usersFilePath(), packet);
    } catch (const std::exception &e) {
        LogException("DataTessal.TDM.SaveAll()", e);
    }
}
