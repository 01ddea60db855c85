#include "core/transfer/receiver_session.h"

#include "core/transfer/qel_ftp.h"
#include "core/transfer/transfer_reason.h"
#include "core/util/messages.h"

bool openReceiverSession(TQelFTP &ftp, const QString &host, const TStepReport &status,
                         QString &errorText)
{
    status(msg(MsgStatusConnecting));
    if (!ftp.Connect()) {
        errorText = withReason(FormatMsg1(msg(MsgFtpConnectionFailed), host), ftp.FailureReason());
        return false;
    }
    status(msg(MsgStatusLoggingIn));
    if (!ftp.Login()) {
        errorText = withReason(msg(MsgFtpLoginFailed), ftp.FailureReason());
        return false;
    }
    return true;
}

bool closeReceiverSession(TQelFTP &ftp, const TStepReport &status, QString &errorText)
{
    status(msg(MsgStatusDisconnecting));
    if (!ftp.Disconnect()) {
        errorText = msg(MsgFtpDisconnectionError);
        return false;
    }
    status(msg(MsgStatusDone));
    return true;
}
