#include "core/util/small_file_text.h"

#include "core/transfer/transfer_reason.h"
#include "core/util/messages.h"
#include "platform/small_file.h"

#include <QDir>

namespace {

QString problemText(const QString &fileName, const SmallFile &file)
{
    const QString reason = smallFileReason(file);
    return reason.isEmpty() ? QString()
                            : FormatMsg2(msg(MsgFileNotRead), QDir::toNativeSeparators(fileName), reason);
}

} // namespace

QString smallFileReason(const SmallFile &file)
{
    switch (file.status) {
    case SmallFileStatus::Read:
    case SmallFileStatus::Missing:
        break;
    case SmallFileStatus::NotRegular:
        return msg(MsgFileNotRegular);
    case SmallFileStatus::TooLarge:
        return FormatMsg1(msg(MsgFileTooLarge), transferSizeText(kSmallFileSizeLimit));
    case SmallFileStatus::Unreadable:
        return file.detail;
    }
    return QString();
}

bool loadSmallFile(const QString &fileName, QByteArray &bytes, QString &errorText)
{
    SmallFile file = readSmallFile(fileName);
    errorText = problemText(fileName, file);
    bytes = file.status == SmallFileStatus::Read ? std::move(file.bytes) : QByteArray();
    return file.status == SmallFileStatus::Read;
}

QString smallFileProblem(const QString &fileName)
{
    return problemText(fileName, checkSmallFile(fileName));
}
