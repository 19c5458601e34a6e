#include "UserRules.h"

#include "CommonTessal.h"
#include "CommonTessalLogOn.h"
#include "DataSet.h"
#include "DataTessal.h"
#include "Windows1251.h"
#include "ggError.h"

QByteArray PasswordHashOf(const QString &password)
{
    return PasswordDigest(ToWindows1251(password));
}

bool IsReservedUserName(const QString &name)
{
    static const QString reserved = QStringLiteral("АДМИНИСТРАТОР");
    return FromWindows1251(ToWindows1251(name)).toUpper() == reserved;
}

int FindUserNamed(const DataSet &users, const QString &name, int64_t exceptId)
{
    if (!users.isActive())
        return -1;
    const Field *userName = users.findField(QStringLiteral("UserName"));
    const Field *id = users.findField(QStringLiteral("id"));
    if (!userName || !id)
        return -1;
    for (int row = 0; row < users.recordCount(); ++row) {
        if (exceptId >= 0 && users.rowValue(row, id->index()).toLongLong() == exceptId)
            continue;
        const QVariant value = users.rowValue(row, userName->index());
        if (value.isValid() && value.toString().compare(name, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

bool CheckDupUser(const QString &name, int64_t exceptId)
{
    try {
        TDM *dm = DM();
        if (!dm)
            throw AppError(QStringLiteral("no data module"));
        return FindUserNamed(dm->cdsUsers, name, exceptId) >= 0;
    } catch (const std::exception &e) {
        LogException("AddUserForm.CheckDupUser", e);
        return true;
    }
}

void KeepUsersAndSettings()
{
    if (TDM *dm = DM())
        dm->SaveAll();
}
