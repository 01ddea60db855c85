#pragma once

#include "platform/transfer_error.h"

#include <QString>

// Why a transfer failed, in the program's words ("HTTP 404", "Connection
// refused.", ...); empty when it did not fail.
QString transferFailureText(const TransferError &error);

// A size as people read it: "64 MB", "512 KB", "1000 bytes".
QString transferSizeText(qint64 bytes);

// The designed error text with the reason on a line of its own after it;
// the text alone when there is no reason.
QString withReason(const QString &text, const QString &reason);
