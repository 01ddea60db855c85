#pragma once

#include "core/transfer/receiver_put.h"
#include "core/transfer/receiver_session.h"
#include "core/zapit/dialects.h"
#include "platform/transfer_limits.h"

#include <QString>

#include <functional>
#include <memory>

class TBouquetList;
class TQelFTP;
class TPrompts;
class TServiceList;
class TStatusSink;

// How to reach the receiver, read from the settings at each transfer.
struct TReceiverAccess {
    QString host; // as the settings keep it, e.g. "192.168.015.024"
    QString user;
    QString password;
    int port = 21;
};

// The one place where zapit files are fetched, parsed, read, written and
// stored. Sources and targets are texts: "ftp:<path>" on the receiver,
// "http:"/"https:" on the web (sources only), anything else a local path the
// user confirms in a file dialog.
//
// Every entry point returns true on success; otherwise false with the reason
// in `errorText`, or with an empty `errorText` when the user cancelled a
// dialog. A load that fails leaves the list it was given as it was; a file
// that cannot tell its dialect from another (one without services or
// entries) loads in the dialect the list had.
//
// Called on the UI thread. The transfers to and from the receiver or the web
// run on a worker meanwhile: the window keeps painting, its status line and
// progress bar move, and user input waits until the transfer is over.
class TFrmXMLHandler
{
public:
    struct Environment {
        TStatusSink *status = nullptr;
        TPrompts *prompts = nullptr;
        std::function<TReceiverAccess()> receiver;
        // Where the import news files go (the program folder).
        QString newsFolder;
        // The folder of every file the user picks is remembered here.
        QString *lastImportDir = nullptr;
        // The caption the writers name in the "Settings created by" comment
        // (the main window's); the default caption when not set.
        std::function<QString()> creatorCaption;
        // For tests: how long an FTP connection or a stalled transfer may
        // take, how slow a transfer may be, and the most a fetched list may
        // weigh.
        int connectTimeoutSeconds = kConnectTimeoutSeconds;
        int stallSeconds = kStallLimitSeconds;
        qint64 sizeLimit = kChannelListSizeLimit;
        TransferRateFloor rateFloor = {};
    };

    explicit TFrmXMLHandler(Environment environment);

    bool LoadServices(const QString &fileName, QString &errorText, bool compare,
                      TServiceList &services);
    bool LoadMyServices(const QString &fileName, QString &errorText, TServiceList &myServices);
    bool LoadBouquets(const QString &fileName, QString &errorText, TBouquetList &bouquets);

    bool OpenServices(const QString &source, const QString &title, TServiceList &services,
                      QString &errorText);
    bool OpenMyServices(const QString &source, const QString &title, TServiceList &myServices,
                        QString &errorText);
    bool OpenBouquets(const QString &source, const QString &title, TBouquetList &bouquets,
                      QString &errorText);

    bool WriteServices(const QString &fileName, int dialect, const TServiceList &services,
                       QString &errorText, const QString &encoding);
    bool WriteMyServices(const QString &fileName, int dialect, const TServiceList &myServices,
                         QString &errorText, const QString &encoding);
    bool WriteBouquets(const QString &fileName, int dialect, const TBouquetList &bouquets,
                       QString &errorText, const QString &encoding);

    bool SaveServices(const QString &target, const QString &title, const TServiceList &services,
                      QString &errorText, const QString &encoding, int dialect);
    bool SaveMyServices(const QString &target, const QString &title,
                        const TServiceList &myServices, QString &errorText,
                        const QString &encoding, int dialect);
    bool SaveBouquets(const QString &target, const QString &title, const TBouquetList &bouquets,
                      QString &errorText, const QString &encoding, int dialect);

    // Brings a source to a local file; `name` becomes that file's path.
    bool GetFile(QString &name, const QString &title, QString &errorText);
    // Stores a local file at a target. The receiver's file is replaced only
    // by a copy that arrived whole; a receiver that refuses to rename is
    // written straight into when the user agrees.
    bool PutFile(const QString &localFile, const QString &title, const QString &target,
                 QString &errorText);
    // What the last save to the receiver did to the receiver's file.
    TPutOutcome LastReceiverPut() const { return m_lastReceiverPut; }

private:
    void showStatus(const QString &text) const;
    QString creator() const;
    bool loadServiceTree(ZapitKind kind, const QString &fileName, QString &errorText,
                         TServiceList &fresh);
    TReceiverAccess receiverAccess() const;
    // The receiver transfers run on a worker thread: they touch nothing of
    // the UI's but the status texts, which are handed to the UI thread.
    std::unique_ptr<TQelFTP> receiverSession(const TReceiverAccess &access) const;
    // Opens a session with the receiver on a worker and runs `transfer` in
    // it; false with the failed step's message in errorText.
    bool withReceiver(QString &errorText, const std::function<bool(TQelFTP &, QString &)> &transfer);
    TStepReport statusReport() const;
    bool getFromReceiver(QString &name, QString &errorText);
    bool putToReceiver(const QString &localFile, const QString &remotePath, QString &errorText);
    // Writes into a temporary file named after the target, then stores it.
    bool saveThrough(const QString &target, const QString &title, QString &errorText,
                     const std::function<bool(const QString &)> &write);
    // The temporary file a save writes before storing it at `target`.
    static QString tempFileFor(const QString &target);

    Environment m_env;
    TPutOutcome m_lastReceiverPut = TPutOutcome::Kept;
};
