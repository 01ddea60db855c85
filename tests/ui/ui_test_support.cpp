#include "ui_test_support.h"

#include <QDir>

QApplication &uiApp()
{
    QApplication &app = sharedTestApplication();
    return app;
}

GridFixture::GridFixture(int width, int height) : grid((uiApp(), nullptr))
{
    grid.resize(width, height);
    // Shown, so that the viewport has its real size.
    grid.show();
}

QString megabyteName(qsizetype length)
{
    QString name;
    name.reserve(length);
    while (name.size() < length)
        name += QStringLiteral("Nachrichten Plus ");
    name.truncate(length);
    return name;
}
