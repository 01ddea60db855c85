#include "core/util/sys_utils.h"

#include "core/util/exception.h"
#include "core/util/messages.h"
#include "core/util/str_utils.h"
#include "platform/input_state.h"
#include "platform/process.h"
#include "platform/system_paths.h"

#include <array>

namespace {

constexpr int kShellSuccessAbove = 32;

QString shellErrorText(int code)
{
    switch (code) {
    case 0: return msg(MsgShellOutOfResources);
    case 2: return msg(MsgShellFileNotFound);
    case 3: return msg(MsgShellPathNotFound);
    case 5: return msg(MsgShellAccessDenied);
    case 8: return msg(MsgShellOutOfMemory);
    case 11: return msg(MsgShellBadFormat);
    case 26: return msg(MsgShellSharingViolation);
    case 27: return msg(MsgShellAssocIncomplete);
    case 28: return msg(MsgShellDdeTimeout);
    case 29: return msg(MsgShellDdeFail);
    case 30: return msg(MsgShellDdeBusy);
    case 31: return msg(MsgShellNoAssociation);
    case 32: return msg(MsgShellDllNotFound);
    default: return QString();
    }
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString daySuffix(int day)
{
    switch (day) {
    case 1:
    case 21:
    case 31: return QStringLiteral("st ");
    case 2:
    case 22: return QStringLiteral("nd ");
    case 3:
    case 23: return QStringLiteral("rd ");
    default: return QStringLiteral("th ");
    }
}

} // namespace

bool shellExec(const QString &file, const QStringList &parameters, const QString &folder,
               int /*showCommand: windows open as the desktop decides*/, QString &errorText,
               QObject *context, TOpenFailed failedLater)
{
    return guardRoutine("shellExec", [&] {
        errorText.clear();
        std::function<void(int)> heardLater;
        if (failedLater)
            heardLater = [failedLater](int code) { failedLater(shellErrorText(code)); };
        const int result = shellOpen(file, parameters, folder, context, std::move(heardLater));
        if (result > kShellSuccessAbove)
            return true;
        errorText = shellErrorText(result);
        return false;
    });
}

void shellOpenDocument(const QString &file, QObject *context, const TOpenFailed &failed)
{
    QString errorText;
    if (!shellExec(file, {}, QString(), 1, errorText, context, failed) && failed)
        failed(errorText);
}

bool runApplication(const QString &program, const QStringList &parameters, const QString &folder,
                    bool show, bool wait, int &exitCode)
{
    return guardRoutine("runApplication", [&] {
        return startProcess(program, parameters, folder, show, wait, exitCode);
    });
}

QString getApplicationDir()
{
    return guardRoutine("getApplicationDir", [] { return applicationFolder(); });
}

QString getTempDir()
{
    return guardRoutine("getTempDir", [] { return privateTempFolder(); });
}

QString getTempFile()
{
    return guardRoutine("getTempFile", [] { return createTempFile(QStringLiteral("Qel")); });
}

QString convertSystemTimeToTimeString(const QTime &time, int mode)
{
    return guardRoutine("convertSystemTimeToTimeString", [&] {
        const QString h = twoDigits(time.hour());
        const QString m = twoDigits(time.minute());
        const QString s = twoDigits(time.second());
        if (mode == 1)
            return h + QStringLiteral("h ") + m + QStringLiteral("min ") + s + QStringLiteral("sec");
        return h + u'.' + m + u'.' + s;
    });
}

QString convertSystemTimeToDateString(const QDate &date, int mode)
{
    return guardRoutine("convertSystemTimeToDateString", [&] {
        static const std::array<const char *, 7> kDays = {
            "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
        static const std::array<const char *, 12> kMonths = {
            "January", "February", "March", "April", "May", "June",
            "July", "August", "September", "October", "November", "December"};
        if (mode == 0)
            return QString::number(date.year()) + u'-' + twoDigits(date.month()) + u'-'
                + twoDigits(date.day());
        if (mode == 1 && date.isValid())
            return QLatin1String(kDays[std::size_t(date.dayOfWeek() - 1)]) + QStringLiteral(", ")
                + QString::number(date.day()) + daySuffix(date.day())
                + QLatin1String(kMonths[std::size_t(date.month() - 1)]) + u' '
                + QString::number(date.year());
        return QString();
    });
}

QString ipAddressFill(const QString &address)
{
    return guardRoutine("ipAddressFill", [&] {
        QString text = removeWhiteSpaces(address, 0);
        if (text.endsWith(u'.'))
            text += QStringLiteral("000");
        QStringList groups = text.split(u'.');
        for (QString &group : groups)
            group = fillString(group, u'0', 3, FillLeft);
        QString result = groups.join(u'.');
        if (result.endsWith(u'.'))
            result.chop(1);
        return result;
    });
}

QString ipAddressFormat(const QString &address)
{
    return guardRoutine("ipAddressFormat", [&] {
        QStringList groups = address.split(u'.');
        for (QString &group : groups) {
            group = removeCharacters(QStringLiteral("0"), group, 1);
            if (group.isEmpty())
                group = QStringLiteral("0");
        }
        return groups.join(u'.');
    });
}

QString colorToHtmlColor(const QColor &colour)
{
    return guardRoutine("colorToHtmlColor", [&] {
        if (!colour.isValid())
            throw Exception(msg(MsgRangeCheckError));
        return QStringLiteral("#%1%2%3")
            .arg(colour.red(), 2, 16, QLatin1Char('0'))
            .arg(colour.green(), 2, 16, QLatin1Char('0'))
            .arg(colour.blue(), 2, 16, QLatin1Char('0'))
            .toUpper();
    });
}

bool isShiftOrCtrlDown()
{
    return guardRoutine("isShiftOrCtrlDown", [] { return shiftOrCtrlHeld(); });
}

bool isLeftMouseButtonDown()
{
    return guardRoutine("isLeftMouseButtonDown", [] { return primaryMouseButtonHeld(); });
}

QString readRegistryString(const QString &key, const QString &valueName, const QString &rootKey)
{
    return guardRoutine("readRegistryString",
                        [&] { return readRegistryValue(key, valueName, rootKey); });
}
