#include "ClientCertificateStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

namespace net {

namespace {

class OpenSslCredential : public ClientCredential {
public:
    OpenSslCredential(X509 *cert, EVP_PKEY *key) : m_cert(cert), m_key(key) {}
    ~OpenSslCredential() override
    {
        X509_free(m_cert);
        EVP_PKEY_free(m_key);
    }
    void *x509() const override { return m_cert; }
    void *privateKey() const override { return m_key; }

private:
    X509 *m_cert;
    EVP_PKEY *m_key;
};

QByteArray ReadFile(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

EVP_PKEY *ReadPemKey(const QByteArray &pem)
{
    BIO *bio = BIO_new_mem_buf(pem.constData(), int(pem.size()));
    EVP_PKEY *key = bio ? PEM_read_bio_PrivateKey(bio, nullptr, nullptr, const_cast<char *>("")) : nullptr;
    BIO_free(bio);
    return key;
}

// Certificate and key of one store file; both null when it holds no usable pair.
std::pair<X509 *, EVP_PKEY *> LoadPair(const QFileInfo &info)
{
    const QByteArray bytes = ReadFile(info.filePath());
    X509 *cert = nullptr;
    EVP_PKEY *key = nullptr;
    const QString suffix = info.suffix().toLower();
    if (suffix == "p12" || suffix == "pfx") {
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
        PKCS12 *p12 = d2i_PKCS12(nullptr, &p, long(bytes.size()));
        if (p12 && PKCS12_parse(p12, "", &key, &cert, nullptr) != 1)
            PKCS12_parse(p12, nullptr, &key, &cert, nullptr);
        PKCS12_free(p12);
    } else if (suffix == "pem" || suffix == "crt" || suffix == "cer") {
        BIO *bio = BIO_new_mem_buf(bytes.constData(), int(bytes.size()));
        cert = bio ? PEM_read_bio_X509(bio, nullptr, nullptr, nullptr) : nullptr;
        BIO_free(bio);
        key = ReadPemKey(bytes);
        if (!key)
            key = ReadPemKey(ReadFile(info.dir().filePath(info.completeBaseName() + ".key")));
    }
    if (!cert || !key || X509_check_private_key(cert, key) != 1) {
        X509_free(cert);
        EVP_PKEY_free(key);
        return {nullptr, nullptr};
    }
    return {cert, key};
}

QString SubjectText(X509 *cert)
{
    BIO *bio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(bio, X509_get_subject_name(cert), 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    const QString text = QString::fromUtf8(data, size);
    BIO_free(bio);
    return text;
}

} // namespace

QString CertificateStoreRoot()
{
    const QString fromEnv = qEnvironmentVariable("TESSAL_CERT_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/TessalCert/certificates");
}

std::shared_ptr<const ClientCredential> FindClientCredential(const QString &storeName,
                                                             const QString &subjectText)
{
    const QDir store(QDir(CertificateStoreRoot()).filePath(storeName));
    const QFileInfoList files = store.entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &info : files) {
        auto [cert, key] = LoadPair(info);
        if (!cert)
            continue;
        if (SubjectText(cert).contains(subjectText, Qt::CaseInsensitive))
            return std::make_shared<OpenSslCredential>(cert, key);
        X509_free(cert);
        EVP_PKEY_free(key);
    }
    return nullptr;
}

} // namespace net
