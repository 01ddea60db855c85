#include "ui_test_support.h"

#include <QDir>
#include <QStyle>
#include <QStyleFactory>

QApplication &uiApp()
{
    static int argc = 1;
    static char name[] = "ui_tests";
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
        return a;
    }();
    return *app;
}

GridFixture::GridFixture(int width, int height) : grid((uiApp(), nullptr))
{
    grid.resize(width, height);
    // Shown, so that the viewport has its real size.
    grid.show();
}
