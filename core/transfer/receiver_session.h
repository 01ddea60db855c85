#pragma once

#include <QString>

#include <functional>

class TQelFTP;

// The steps every exchange with the receiver begins and ends with. Each
// step is told to `status` before it runs; a failed one is named in the
// program's words, with the reason the wrapper found on the next line.

using TStepReport = std::function<void(const QString &text)>;

// "Connecting to box..." and connect, "Logging in..." and log in. `host`
// is the address the failure message names.
bool openReceiverSession(TQelFTP &ftp, const QString &host, const TStepReport &status,
                         QString &errorText);

// "Disconnecting..." and disconnect, then "Done.".
bool closeReceiverSession(TQelFTP &ftp, const TStepReport &status, QString &errorText);
