#include "platform/curl_handle.h"

#include <mutex>

CurlEasy makeCurlEasy()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return CurlEasy(curl_easy_init());
}

QString curlErrorText(CURLcode code)
{
    return QString::fromUtf8(curl_easy_strerror(code));
}
