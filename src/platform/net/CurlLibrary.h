#pragma once
// libcurl, loaded with the first transfer. libcurl brings a long chain of
// libraries (TLS, Kerberos, LDAP, SSH, IDN...) whose loading and relocation
// cost every start of a program some milliseconds; a run that never talks to
// the server never loads them.
#include <curl/curl.h>

#include <QString>

namespace net {

// The libcurl entry points the transport uses, with their own types.
struct CurlFunctions {
    decltype(&::curl_global_init) global_init;
    decltype(&::curl_easy_init) easy_init;
    decltype(&::curl_easy_setopt) easy_setopt;
    decltype(&::curl_easy_getinfo) easy_getinfo;
    decltype(&::curl_easy_pause) easy_pause;
    decltype(&::curl_easy_cleanup) easy_cleanup;
    decltype(&::curl_easy_strerror) easy_strerror;
    decltype(&::curl_multi_init) multi_init;
    decltype(&::curl_multi_add_handle) multi_add_handle;
    decltype(&::curl_multi_remove_handle) multi_remove_handle;
    decltype(&::curl_multi_perform) multi_perform;
    decltype(&::curl_multi_poll) multi_poll;
    decltype(&::curl_multi_info_read) multi_info_read;
    decltype(&::curl_multi_strerror) multi_strerror;
    decltype(&::curl_multi_cleanup) multi_cleanup;
    decltype(&::curl_slist_append) slist_append;
    decltype(&::curl_slist_free_all) slist_free_all;
    decltype(&::curl_url) url;
    decltype(&::curl_url_set) url_set;
    decltype(&::curl_url_get) url_get;
    decltype(&::curl_url_cleanup) url_cleanup;
    decltype(&::curl_free) free;
};

// The loaded library, initialised once for the process (thread-safe); null
// when it cannot be loaded, and then CurlLoadFailure() says why.
const CurlFunctions *Curl();
QString CurlLoadFailure();

} // namespace net
