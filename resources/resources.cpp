#include "resources/resources.h"

#include <QtCore/qglobal.h>

#include <mutex>

static void registerResources()
{
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(pictures);
}

void pelloranInitResources()
{
    static std::once_flag once;
    std::call_once(once, registerResources);
}
