#include "exchange/kingofsat_fetch.h"

#include "core/transfer/transfer_aside.h"
#include "platform/system_paths.h"

#include <QFile>

bool fetchKingOfSatPage(const QString &url, const QString &fileName, QString &errMsg,
                        const DownloadOptions &options)
{
    return downloadUrlAside(url, fileName, errMsg, options);
}

TKofTempFile::TKofTempFile() : m_fileName(createTempFile(QStringLiteral("KingOfSat"))) {}

TKofTempFile::~TKofTempFile()
{
    if (!m_fileName.isEmpty())
        QFile::remove(m_fileName);
}
