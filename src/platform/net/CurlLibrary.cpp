#include "CurlLibrary.h"

#include <dlfcn.h>

namespace net {

namespace {

// The soname of the libcurl the program was built against.
constexpr const char *LibraryName = "libcurl.so.4";

// The entry points, usable when nothing failed.
struct Loaded {
    CurlFunctions functions{};
    QString failure;
};

template <typename Function>
bool Resolve(void *library, const char *name, Function &function, QString &failure)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (!function)
        failure = QStringLiteral("%1 has no %2").arg(QLatin1String(LibraryName), QLatin1String(name));
    return function != nullptr;
}

Loaded Load()
{
    Loaded loaded;
    // Kept for the life of the process: libcurl is never unloaded.
    void *library = ::dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        loaded.failure =
            QStringLiteral("cannot load %1: %2").arg(QLatin1String(LibraryName), QString::fromLocal8Bit(::dlerror()));
        return loaded;
    }
    CurlFunctions &f = loaded.functions;
    QString &failure = loaded.failure;
    const bool all = Resolve(library, "curl_global_init", f.global_init, failure)
        && Resolve(library, "curl_easy_init", f.easy_init, failure)
        && Resolve(library, "curl_easy_setopt", f.easy_setopt, failure)
        && Resolve(library, "curl_easy_getinfo", f.easy_getinfo, failure)
        && Resolve(library, "curl_easy_pause", f.easy_pause, failure)
        && Resolve(library, "curl_easy_cleanup", f.easy_cleanup, failure)
        && Resolve(library, "curl_easy_strerror", f.easy_strerror, failure)
        && Resolve(library, "curl_multi_init", f.multi_init, failure)
        && Resolve(library, "curl_multi_add_handle", f.multi_add_handle, failure)
        && Resolve(library, "curl_multi_remove_handle", f.multi_remove_handle, failure)
        && Resolve(library, "curl_multi_perform", f.multi_perform, failure)
        && Resolve(library, "curl_multi_poll", f.multi_poll, failure)
        && Resolve(library, "curl_multi_info_read", f.multi_info_read, failure)
        && Resolve(library, "curl_multi_strerror", f.multi_strerror, failure)
        && Resolve(library, "curl_multi_cleanup", f.multi_cleanup, failure)
        && Resolve(library, "curl_slist_append", f.slist_append, failure)
        && Resolve(library, "curl_slist_free_all", f.slist_free_all, failure)
        && Resolve(library, "curl_url", f.url, failure)
        && Resolve(library, "curl_url_set", f.url_set, failure)
        && Resolve(library, "curl_url_get", f.url_get, failure)
        && Resolve(library, "curl_url_cleanup", f.url_cleanup, failure)
        && Resolve(library, "curl_free", f.free, failure);
    if (!all)
        return loaded;
    if (const CURLcode code = f.global_init(CURL_GLOBAL_DEFAULT); code != CURLE_OK)
        failure = QStringLiteral("%1 could not start: %2")
                      .arg(QLatin1String(LibraryName), QString::fromUtf8(f.easy_strerror(code)));
    return loaded;
}

const Loaded &Library()
{
    static const Loaded loaded = Load();
    return loaded;
}

} // namespace

const CurlFunctions *Curl()
{
    const Loaded &loaded = Library();
    return loaded.failure.isEmpty() ? &loaded.functions : nullptr;
}

QString CurlLoadFailure()
{
    return Library().failure;
}

} // namespace net
