#include "core/transfer/transfer_reason.h"

#include "core/util/messages.h"

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

} // namespace

QString transferSizeText(qint64 bytes)
{
    constexpr qint64 kKilo = 1024;
    constexpr qint64 kMega = kKilo * kKilo;
    if (bytes >= kMega && bytes % kMega == 0)
        return QStringLiteral("%1 MB").arg(bytes / kMega);
    if (bytes >= kKilo && bytes % kKilo == 0)
        return QStringLiteral("%1 KB").arg(bytes / kKilo);
    return QStringLiteral("%1 bytes").arg(bytes);
}

QString transferFailureText(const TransferError &error)
{
    switch (error.kind) {
    case TransferFailure::None:
        return {};
    case TransferFailure::TimedOut:
        return FormatMsg1(msg(MsgReasonTimedOut), QString::number(error.seconds));
    case TransferFailure::ConnectTimedOut:
        return FormatMsg1(msg(MsgReasonConnectTimedOut), QString::number(error.seconds));
    case TransferFailure::TooSlow:
        return FormatMsg2(msg(MsgReasonTooSlow), transferSizeText(error.rateFloor),
                          QString::number(error.seconds));
    case TransferFailure::Refused:
        return msg(MsgReasonRefused);
    case TransferFailure::HostNotFound:
        return msg(MsgReasonHostNotFound);
    case TransferFailure::Unreachable:
        return msg(MsgReasonUnreachable);
    case TransferFailure::LoginRefused:
        return msg(MsgReasonLoginRefused);
    case TransferFailure::HttpStatus:
        return FormatMsg1(msg(MsgReasonHttpStatus), QString::number(error.httpStatus));
    case TransferFailure::NoSuchFile:
        return msg(MsgReasonNoSuchFile);
    case TransferFailure::SizeLimit:
        return FormatMsg1(msg(MsgReasonSizeLimit), transferSizeText(error.sizeLimit));
    case TransferFailure::Dropped:
        return msg(MsgReasonDropped);
    case TransferFailure::RenameRefused:
        return msg(MsgReasonRenameRefused);
    case TransferFailure::NoRoom:
        return msg(MsgReasonNoRoom);
    case TransferFailure::LocalFile:
        return FormatMsg1(msg(MsgReasonLocalFile), error.detail);
    case TransferFailure::NotWebAddress:
        return msg(MsgReasonNotWebAddress);
    case TransferFailure::Other:
        break;
    }
    return error.detail;
}

QString withReason(const QString &text, const QString &reason)
{
    return reason.isEmpty() ? text : text + kLineBreak + reason;
}
