#pragma once

#include <curl/curl.h>

#include <QString>

#include <memory>

// RAII for libcurl easy handles, and the one-time global set-up libcurl wants
// before the first handle exists.
struct CurlEasyDeleter {
    void operator()(CURL *handle) const noexcept { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlSlistDeleter {
    void operator()(curl_slist *list) const noexcept { curl_slist_free_all(list); }
};
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// A fresh easy handle; libcurl's global state is initialised on first use.
CurlEasy makeCurlEasy();

// libcurl's own words for a result code, for logs and error texts.
QString curlErrorText(CURLcode code);
