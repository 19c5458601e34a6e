#include "TobTransf.h"
#include "ggError.h"

void TobTransformSource::Decrypt(QByteArray &data, const QByteArray &passphrase) const
{
    if (data.isEmpty())
        return;
    throw AppError(QStringLiteral("Файл в старом формате (Triple-DES) не может быть прочитан"));
}
