// libcurl is loaded with the first transfer, not with the program: a start
// that never talks to the server does not pay for it and its libraries.
#include "CurlLibrary.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

namespace {

bool CurlIsLoaded()
{
    void *library = ::dlopen("libcurl.so.4", RTLD_LAZY | RTLD_NOLOAD);
    if (library)
        ::dlclose(library);
    return library != nullptr;
}

} // namespace

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
