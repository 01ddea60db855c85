#pragma once

#include "platform/url_download.h"

#include <QString>

// Downloads a page (http: or https:, a web page's size limit unless the
// options say otherwise) into `fileName` on a worker thread, while the
// calling (UI) thread keeps painting and moving the progress bar but takes
// no user input. True when the whole page arrived; otherwise false with the
// reason in `errMsg` and the file as it was.
bool fetchKingOfSatPage(const QString &url, const QString &fileName, QString &errMsg,
                        const DownloadOptions &options = {});

// A temporary file in the program's private temporary folder that is
// removed when this goes, also when the work using it fails.
class TKofTempFile
{
public:
    TKofTempFile();
    ~TKofTempFile();
    TKofTempFile(const TKofTempFile &) = delete;
    TKofTempFile &operator=(const TKofTempFile &) = delete;

    // Empty when no file could be made.
    const QString &fileName() const { return m_fileName; }

private:
    QString m_fileName;
};
