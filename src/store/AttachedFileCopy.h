#pragma once
// The copy of a certificate's attached file that waits in the data folder
// until it is uploaded: named ReferenceNo + "_" + CertNo in 7 digits. The
// issue writes it, the offline file carries it, the upload sends and deletes
// it. This unit holds nothing of the data module, so Restavo takes the name
// from here without linking TDM.
#include <QByteArray>
#include <QString>
#include <cstdint>

// The copy's file name. Raises AppError for a reference number that is not
// 10 digits.
QString AttachedFileCopyName(const QByteArray &referenceNo, int64_t certNo);
// That copy's path in the data folder; raises as AttachedFileCopyName does.
QString AttachedFileCopyPath(const QString &dataDir, const QByteArray &referenceNo, int64_t certNo);
