#include "AttachedFileCopy.h"

#include "BorinWin.h"
#include "CommonTessal.h"
#include "ggError.h"
#include "ggFiles.h"

QString AttachedFileCopyName(const QByteArray &referenceNo, int64_t certNo)
{
    if (!IsWellFormedReferenceNo(referenceNo))
        throw AppError(QStringLiteral("Номер ") + QString::fromUtf8(referenceNo)
                       + QStringLiteral(" не годится для имени файла."));
    return QString::fromLatin1(referenceNo) + QLatin1Char('_') + PadLeftW(QString::number(certNo), QLatin1Char('0'), 7);
}

QString AttachedFileCopyPath(const QString &dataDir, const QByteArray &referenceNo, int64_t certNo)
{
    return SafeJoinPath(dataDir, AttachedFileCopyName(referenceNo, certNo));
}
