#pragma once
// Reader of the users-and-settings file's older Triple-DES form.
//
// That form's built-in passphrase is not known to this build, so no file in
// it can be deciphered here: Decrypt refuses every non-empty content with
// AppError, and the start-up goes on as for an unreadable file (a new users
// file is made).
#include <QByteArray>

class TobTransformSource {
public:
    // Switched on before an older file is read; nothing here depends on it.
    bool isCrypto = true;

    // Deciphers Data in place from the older form; an empty Passphrase means
    // the built-in one. Empty Data is left as it is; anything else raises
    // AppError (see above).
    void Decrypt(QByteArray &data, const QByteArray &passphrase = QByteArray()) const;
};
