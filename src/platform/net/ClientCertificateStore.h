#pragma once
// Stands for the system certificate stores that a client certificate is taken
// from: one folder per store kind ("MY", "CA", "ROOT", "SPC") under the
// certificate folder, each holding PEM files (certificate and private key in
// one file, or the key beside it as <name>.key) or PKCS#12 files (.p12, .pfx)
// without a password.
#include "CurlTransport.h"

#include <QString>
#include <memory>

namespace net {

// The certificate folder: TESSAL_CERT_DIR when set, else "certificates" in
// the user's configuration folder for this program.
QString CertificateStoreRoot();

// The first certificate of the store (files in name order) whose subject
// contains SubjectText (case-insensitive) and whose private key is at hand;
// none when there is no such certificate or the store does not exist.
std::shared_ptr<const ClientCredential> FindClientCredential(const QString &storeName,
                                                             const QString &subjectText);

} // namespace net
