#include "core/zapit/xml_file_handler.h"

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/transfer/qel_ftp.h"
#include "core/transfer/receiver_session.h"
#include "core/transfer/transfer_aside.h"
#include "core/transfer/transfer_reason.h"
#include "core/util/file_utils.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/str_utils.h"
#include "core/util/sys_utils.h"
#include "core/zapit/import_news.h"
#include "core/zapit/writer.h"
#include "core/zapit/zapit_load.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kXmlFilter = QStringLiteral("XML (*.xml)");

bool isReceiverPath(const QString &name)
{
    return name.left(4).toLower() == u"ftp:";
}

// The last component of a remote path: "services.xml" of "/var/.../services.xml".
QString remoteFileName(const QString &remotePath)
{
    return remotePath.section(u'/', -1);
}

bool namesAFile(const QString &fileName)
{
    return !fileName.isEmpty() && fileName != u"." && fileName != u"..";
}

} // namespace

TFrmXMLHandler::TFrmXMLHandler(Environment environment)
    : m_env(std::move(environment))
{
}

void TFrmXMLHandler::showStatus(const QString &text) const
{
    // Transfers report from their worker; the status line is the UI's.
    if (TStatusSink *status = m_env.status)
        onUiThread([status, text] { status->ShowStatus(text); });
}

bool TFrmXMLHandler::loadServiceTree(ZapitKind kind, const QString &fileName,
                                     QString &errorText, TServiceList &fresh)
{
    errorText.clear();
    return loadZapitFile(kind, fileName, fresh, errorText, [this](ZapitLoadStep step) {
        showStatus(msg(step == ZapitLoadStep::Detecting ? MsgStatusDetecting : MsgStatusLoading));
    });
}

bool TFrmXMLHandler::LoadServices(const QString &fileName, QString &errorText, bool compare,
                                  TServiceList &services)
{
    TServiceList fresh;
    fresh.Format = services.Format;
    if (!loadServiceTree(ZapitKind::Services, fileName, errorText, fresh))
        return false;
    errorText.clear();
    // The news compare the list as it was with the one just read; if they
    // cannot be written the import does not take place either.
    if (compare && !WriteServiceDiff(services, fresh, errorText, m_env.newsFolder))
        return false;
    services.Swap(fresh);
    showStatus(msg(MsgStatusDone));
    return true;
}

bool TFrmXMLHandler::LoadMyServices(const QString &fileName, QString &errorText,
                                    TServiceList &myServices)
{
    TServiceList fresh;
    fresh.Format = myServices.Format;
    if (!loadServiceTree(ZapitKind::MyServices, fileName, errorText, fresh))
        return false;
    errorText.clear();
    myServices.Swap(fresh);
    showStatus(msg(MsgStatusDone));
    return true;
}

bool TFrmXMLHandler::LoadBouquets(const QString &fileName, QString &errorText,
                                  TBouquetList &bouquets)
{
    errorText.clear();
    TBouquetList fresh;
    fresh.Format = bouquets.Format;
    const bool loaded = loadZapitFile(fileName, fresh, errorText, [this](ZapitLoadStep step) {
        showStatus(msg(step == ZapitLoadStep::Detecting ? MsgStatusDetecting : MsgStatusLoading));
    });
    if (!loaded)
        return false;
    errorText.clear();
    bouquets.Swap(fresh);
    showStatus(msg(MsgStatusDone));
    return true;
}

bool TFrmXMLHandler::OpenServices(const QString &source, const QString &title,
                                  TServiceList &services, QString &errorText)
{
    QString name = source;
    return GetFile(name, title, errorText) && LoadServices(name, errorText, true, services);
}

bool TFrmXMLHandler::OpenMyServices(const QString &source, const QString &title,
                                    TServiceList &myServices, QString &errorText)
{
    QString name = source;
    return GetFile(name, title, errorText) && LoadMyServices(name, errorText, myServices);
}

bool TFrmXMLHandler::OpenBouquets(const QString &source, const QString &title,
                                  TBouquetList &bouquets, QString &errorText)
{
    QString name = source;
    return GetFile(name, title, errorText) && LoadBouquets(name, errorText, bouquets);
}

bool TFrmXMLHandler::WriteServices(const QString &fileName, int dialect,
                                   const TServiceList &services, QString &errorText,
                                   const QString &encoding)
{
    errorText.clear();
    return writeZapitDialect(ZapitKind::Services, dialect, fileName, encoding, errorText,
                             services, creator());
}

bool TFrmXMLHandler::WriteMyServices(const QString &fileName, int dialect,
                                     const TServiceList &myServices, QString &errorText,
                                     const QString &encoding)
{
    errorText.clear();
    return writeZapitDialect(ZapitKind::MyServices, dialect, fileName, encoding, errorText,
                             myServices, creator());
}

bool TFrmXMLHandler::WriteBouquets(const QString &fileName, int dialect,
                                   const TBouquetList &bouquets, QString &errorText,
                                   const QString &encoding)
{
    errorText.clear();
    return writeZapitDialect(dialect, fileName, encoding, errorText, bouquets, creator());
}

QString TFrmXMLHandler::creator() const
{
    if (m_env.creatorCaption) {
        const QString caption = m_env.creatorCaption();
        if (!caption.isEmpty())
            return caption;
    }
    return defaultCreatorCaption();
}

QString TFrmXMLHandler::tempFileFor(const QString &target)
{
    const QString name = isReceiverPath(target) ? remoteFileName(cutPrefix(target, QStringLiteral(":"), 0))
                                                : QFileInfo(target).fileName();
    return getTempDir() + (namesAFile(name) ? name : QStringLiteral("zapit.xml"));
}

bool TFrmXMLHandler::saveThrough(const QString &target, const QString &title,
                                 QString &errorText,
                                 const std::function<bool(const QString &)> &write)
{
    const QString temp = tempFileFor(target);
    const bool saved = write(temp) && PutFile(temp, title, target, errorText);
    // Stored or not, the written copy has done its work.
    QFile::remove(temp);
    return saved;
}

bool TFrmXMLHandler::SaveServices(const QString &target, const QString &title,
                                  const TServiceList &services, QString &errorText,
                                  const QString &encoding, int dialect)
{
    return saveThrough(target, title, errorText, [&](const QString &temp) {
        return WriteServices(temp, dialect, services, errorText, encoding);
    });
}

bool TFrmXMLHandler::SaveMyServices(const QString &target, const QString &title,
                                    const TServiceList &myServices, QString &errorText,
                                    const QString &encoding, int dialect)
{
    return saveThrough(target, title, errorText, [&](const QString &temp) {
        return WriteMyServices(temp, dialect, myServices, errorText, encoding);
    });
}

bool TFrmXMLHandler::SaveBouquets(const QString &target, const QString &title,
                                  const TBouquetList &bouquets, QString &errorText,
                                  const QString &encoding, int dialect)
{
    return saveThrough(target, title, errorText, [&](const QString &temp) {
        return WriteBouquets(temp, dialect, bouquets, errorText, encoding);
    });
}

bool TFrmXMLHandler::GetFile(QString &name, const QString &title, QString &errorText)
{
    errorText.clear();
    if (isReceiverPath(name))
        return getFromReceiver(name, errorText);
    if (isWebAddress(name)) {
        showStatus(msg(MsgStatusDownloading));
        const QString local = getTempFile();
        if (local.isEmpty()) {
            errorText = msg(MsgDownloadFailed);
            return false;
        }
        const DownloadOptions options{m_env.connectTimeoutSeconds, m_env.stallSeconds,
                                      m_env.sizeLimit, m_env.rateFloor};
        if (!downloadUrlAside(name, local, errorText, options)) {
            QFile::remove(local); // the placeholder the temporary name reserved
            return false;
        }
        name = local;
        return true;
    }
    const QFileInfo current(name);
    const QString chosen = m_env.prompts
        ? m_env.prompts->openFileName(title, kXmlFilter, current.path(), current.fileName())
        : QString();
    if (chosen.isEmpty())
        return false;
    name = chosen;
    if (m_env.lastImportDir)
        *m_env.lastImportDir = QFileInfo(chosen).absolutePath();
    return true;
}

TReceiverAccess TFrmXMLHandler::receiverAccess() const
{
    return m_env.receiver ? m_env.receiver() : TReceiverAccess{};
}

std::unique_ptr<TQelFTP> TFrmXMLHandler::receiverSession(const TReceiverAccess &access) const
{
    auto ftp = std::make_unique<TQelFTP>(access.host, access.user, access.password, access.port);
    ftp->setTimeouts(m_env.connectTimeoutSeconds, m_env.stallSeconds);
    ftp->setRateFloor(m_env.rateFloor);
    ftp->setSizeLimit(m_env.sizeLimit);
    return ftp;
}

bool TFrmXMLHandler::withReceiver(QString &errorText,
                                  const std::function<bool(TQelFTP &, QString &)> &transfer)
{
    // The settings are read here, on the UI thread; only the transfer runs
    // aside.
    const TReceiverAccess access = receiverAccess();
    QString error;
    const bool done = runAside([&] {
        const auto ftp = receiverSession(access);
        return openReceiverSession(*ftp, access.host, statusReport(), error)
            && transfer(*ftp, error);
    });
    errorText = error;
    return done;
}

TStepReport TFrmXMLHandler::statusReport() const
{
    return [this](const QString &text) { showStatus(text); };
}

bool TFrmXMLHandler::getFromReceiver(QString &name, QString &errorText)
{
    const QString remotePath = cutPrefix(name, QStringLiteral(":"), 0);
    const QString fileName = remoteFileName(remotePath);
    if (!namesAFile(fileName)) {
        errorText = FormatMsg1(msg(MsgFtpGettingFailed), remotePath);
        return false;
    }
    const QString local = getTempDir() + fileName;
    const bool got = withReceiver(errorText, [&](TQelFTP &ftp, QString &error) {
        showStatus(FormatMsg1(msg(MsgStatusGetting), remotePath));
        if (!ftp.GetFile(remotePath, local)) {
            error = withReason(FormatMsg1(msg(MsgFtpGettingFailed), remotePath),
                               ftp.FailureReason());
            return false;
        }
        showStatus(msg(MsgStatusDisconnecting));
        // The file is complete; a hiccup while saying goodbye does not undo that.
        ftp.Disconnect();
        return true;
    });
    if (got)
        name = local;
    return got;
}

bool TFrmXMLHandler::PutFile(const QString &localFile, const QString &title,
                             const QString &target, QString &errorText)
{
    errorText.clear();
    if (isReceiverPath(target))
        return putToReceiver(localFile, cutPrefix(target, QStringLiteral(":"), 0), errorText);
    const QFileInfo current(target);
    const QString chosen = m_env.prompts
        ? m_env.prompts->saveFileName(title, kXmlFilter, current.path(), current.fileName())
        : QString();
    if (chosen.isEmpty())
        return false;
    if (!cpyFile(localFile, chosen)) {
        errorText = msg(MsgCopyFailed);
        return false;
    }
    if (m_env.lastImportDir)
        *m_env.lastImportDir = QFileInfo(chosen).absolutePath();
    return true;
}

bool TFrmXMLHandler::putToReceiver(const QString &localFile, const QString &remotePath,
                                   QString &errorText)
{
    m_lastReceiverPut = TPutOutcome::Kept;
    bool refused = false;
    bool noRoom = false;
    const auto put = [&](bool inPlace) {
        return withReceiver(errorText, [&](TQelFTP &ftp, QString &error) {
            showStatus(FormatMsg1(msg(MsgStatusPutting), remotePath));
            ftp.setWriteInPlace(inPlace);
            const bool done = ftp.PutFile(localFile, remotePath);
            m_lastReceiverPut = ftp.LastPut();
            if (!done) {
                refused = ftp.InPlaceMayHelp();
                noRoom = ftp.NoRoom();
                error = withReason(FormatMsg2(msg(MsgFtpPuttingFailed),
                                              QFileInfo(localFile).fileName(), remotePath),
                                   ftp.FailureReason());
                return false;
            }
            return closeReceiverSession(ftp, statusReport(), error);
        });
    };
    if (put(false))
        return true;
    if (!refused)
        return false;
    // The question is asked here, with the transfer over: while one runs,
    // the window takes no input.
    if (!askWriteInPlace(m_env.prompts, remotePath, noRoom)) {
        errorText.clear();
        return false;
    }
    return put(true);
}
