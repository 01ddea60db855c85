#include "app/main/application.h"

#include "core/util/exception.h"
#include "core/util/prompts.h"
#include "platform/own_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    QString text;
    try {
        return QApplication::notify(receiver, event);
    } catch (const Exception &e) {
        text = e.message();
    } catch (const std::exception &e) {
        text = QString::fromUtf8(e.what());
    }
    if (m_prompts)
        m_prompts->messageBox(TPrompts::TMsgKind::Error, text, TPrompts::mbOK);
    else
        qWarning("%s", qUtf8Printable(text));
    return false;
}

QString applicationTitle()
{
    return QStringLiteral("Pelloran");
}

QString programFolder()
{
    const QString own = QCoreApplication::applicationDirPath();
    if (canMakeOwnFiles(own))
        return own;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}
