#include "exchange/stamp_names.h"

#include "core/util/sys_utils.h"

QString expandDateTime(const QString &nameTemplate, const QDateTime &now)
{
    QString name = nameTemplate;
    name.replace(QStringLiteral("%DATE%"), convertSystemTimeToDateString(now.date(), 0),
                 Qt::CaseInsensitive);
    name.replace(QStringLiteral("%TIME%"), convertSystemTimeToTimeString(now.time(), 0),
                 Qt::CaseInsensitive);
    return name;
}
