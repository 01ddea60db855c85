#pragma once

#include <QColor>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

#include <functional>

class QObject;

// The author's system routines. Each reports a failure inside it as an
// Exception "function <routine>: <reason>"; shellExec and runApplication
// report ordinary failures through their results and never show messages.

// Hears why nothing opened a document, at once or later.
using TOpenFailed = std::function<void(const QString &errorText)>;

// Opens a document, folder or URL with the desktop's handler; with
// parameters an executable file is started with them. Never waits for the
// handler: false with the text of a failure known at once (for example "The
// specified file was not found."), true once the opener is on its way. When
// the opener then says that nothing took the document, `failedLater` hears
// the text from the event loop, as long as `context` lives.
bool shellExec(const QString &file, const QStringList &parameters, const QString &folder,
               int showCommand, QString &errorText, QObject *context = nullptr,
               TOpenFailed failedLater = {});

// shellExec of a document for a caller with one way of telling a failure:
// `failed` hears it whenever it is known.
void shellOpenDocument(const QString &file, QObject *context, const TOpenFailed &failed);

// Starts `program` with its arguments as a list (never through a shell) in
// `folder` (current when empty). With `wait`: returns when it ends, with its
// exit code, letting queued events run meanwhile but holding back user input
// so no command runs twice. Without: leaves it running, exitCode 0. False
// when it cannot be started.
bool runApplication(const QString &program, const QStringList &parameters, const QString &folder,
                    bool show, bool wait, int &exitCode);

QString getApplicationDir();
// This run's private temporary folder, with a trailing "/".
QString getTempDir();
// A new, unique, empty file "Qel..." in getTempDir(); empty on failure.
QString getTempFile();

// Mode 1: "09h 05min 07sec"; otherwise "09.05.07".
QString convertSystemTimeToTimeString(const QTime &time, int mode);
// Mode 0: "2024-03-07"; mode 1: "Thursday, 7th March 2024"; otherwise empty.
QString convertSystemTimeToDateString(const QDate &date, int mode);

// "10.0.0.5" -> "010.000.000.005" (the settings field's form).
QString ipAddressFill(const QString &address);
// "010.000.000.005" -> "10.0.0.5" (the form used on the network).
QString ipAddressFormat(const QString &address);

// "#RRGGBB"; an invalid colour is refused with a range error.
QString colorToHtmlColor(const QColor &colour);

bool isShiftOrCtrlDown();
bool isLeftMouseButtonDown();

// There is no registry here: always empty.
QString readRegistryString(const QString &key, const QString &valueName, const QString &rootKey);
