// libcurl is loaded with the first transfer, not with the program: a start
// that never talks to the server does not pay for it and its libraries. A
// libcurl that cannot be loaded fails the transfer with the loader's words.
#include "ChildRole.h"
#include "CurlLibrary.h"
#include "CurlTransport.h"
#include "ScopedEnvironment.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

bool CurlIsLoaded()
{
    void *library = ::dlopen("libcurl.so.4", RTLD_LAZY | RTLD_NOLOAD);
    if (library)
        ::dlclose(library);
    return library != nullptr;
}

const QString TransferRole = QStringLiteral("transfer");

// One transfer as the HTTPS client starts it; answers its error number and
// the words it failed with.
[[noreturn]] void RunTransfer()
{
    net::TransferSettings settings;
    settings.host = "127.0.0.1";
    settings.port = 9;
    net::CurlTransfer transfer(settings);
    const bool sent = transfer.sendRequest();
    const QByteArray answer = QByteArray::number(sent) + ' ' + QByteArray::number(transfer.errorCode()) + ' '
        + transfer.errorDetail().toUtf8();
    const QByteArray line = ChildAnswerLine(answer);
    (void)!::write(STDOUT_FILENO, line.constData(), size_t(line.size()));
    _exit(0);
}

QString BinFolder()
{
    const QString bin = qEnvironmentVariable("TESSAL_BIN");
    return bin.isEmpty() ? QCoreApplication::applicationDirPath() : bin;
}

} // namespace

TEST(ChildRole, Play)
{
    if (ChildRole().isEmpty())
        GTEST_SKIP() << "only run as a child";
    if (ChildRole() == TransferRole)
        RunTransfer();
    _exit(99);
}

TEST(CurlLibrary, IsLoadedByItsFirstUseOnceAndWorks)
{
    // This program links the same libraries as TessalCert and Restavo.
    EXPECT_FALSE(CurlIsLoaded());

    const net::CurlFunctions *curl = net::Curl();
    ASSERT_NE(curl, nullptr) << net::CurlLoadFailure().toStdString();
    EXPECT_TRUE(CurlIsLoaded());
    EXPECT_EQ(net::Curl(), curl);
    EXPECT_TRUE(net::CurlLoadFailure().isEmpty());

    CURLU *url = curl->url();
    ASSERT_NE(url, nullptr);
    ASSERT_EQ(curl->url_set(url, CURLUPART_URL, "https://cdb.example:8443/sync/", 0), CURLUE_OK);
    char *host = nullptr;
    ASSERT_EQ(curl->url_get(url, CURLUPART_HOST, &host, 0), CURLUE_OK);
    EXPECT_STREQ(host, "cdb.example");
    curl->free(host);
    curl->url_cleanup(url);
}

// A child finds a "libcurl.so.4" first on its library path that is no library
// at all, or one without curl's entry points: its transfer fails with the
// loader's words, and the child lives on.
TEST(CurlLibrary, AnUnusableLibcurlFailsTheTransferWithTheLoadersWords)
{
    QTemporaryDir unloadable;
    ASSERT_TRUE(unloadable.isValid());
    WriteWholeFile(unloadable.filePath(QStringLiteral("libcurl.so.4")), QByteArray(256, 'x'));
    const QString lacking = QDir::cleanPath(BinFolder() + QStringLiteral("/../test-libraries/curl-lacking-entry-points"));
    ASSERT_TRUE(QFileInfo::exists(lacking + QStringLiteral("/libcurl.so.4"))) << lacking.toStdString();

    struct Case {
        const char *name;
        QString folder;
        QByteArray words;
    };
    const QList<Case> cases = {
        {"not a library", unloadable.path(), "0 12004 cannot load libcurl.so.4: "},
        {"no entry points", lacking, "0 12004 libcurl.so.4 has no curl_easy_init"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ScopedEnvironment path({{"LD_LIBRARY_PATH", QFile::encodeName(c.folder)}});
        auto child = StartChildRole(TransferRole);
        const QByteArray answer = ReadChildAnswer(*child);
        EXPECT_TRUE(answer.startsWith(c.words)) << answer.toStdString();
        child->waitForFinished(60000); // false when it has already ended
        ASSERT_EQ(child->state(), QProcess::NotRunning);
        EXPECT_EQ(child->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child->exitCode(), 0);
    }
}
