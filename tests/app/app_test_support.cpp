#include "app_test_support.h"

#include "resources/resources.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

QApplication &appTestApp()
{
    QApplication &app = sharedTestApplication();
    pelloranInitResources();
    return app;
}
