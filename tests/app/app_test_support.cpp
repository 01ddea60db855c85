#include "app_test_support.h"

#include "resources/resources.h"

#include <QDir>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

QApplication &appTestApp()
{
    static int argc = 1;
    static char name[] = "app_tests";
    static char *argv[] = {name, nullptr};
    static QApplication *app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        auto *a = new QApplication(argc, argv);
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(QApplication::style()->standardPalette());
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        QApplication::setFont(font);
        pelloranInitResources();
        return a;
    }();
    return *app;
}
