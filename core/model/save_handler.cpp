#include "core/model/save_handler.h"

TSaveHandler::TSaveHandler(QObject *parent)
    : QObject(parent)
{
    SetSaved();
}

void TSaveHandler::SetSaved()
{
    setState(true);
}

void TSaveHandler::SetModified()
{
    setState(false);
}

void TSaveHandler::setState(bool saved)
{
    if (m_saved == saved)
        return;
    m_saved = saved;
    Q_EMIT savedChanged(saved);
}

TSaveHandler &SaveHandler()
{
    static TSaveHandler instance;
    return instance;
}
