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

QString shotsDir()
{
    const QString dir = QStringLiteral(PELLORAN_SHOTS_DIR);
    QDir().mkpath(dir);
    return dir;
}

bool saveShot(QWidget &widget, const QString &name)
{
    return widget.grab().save(QDir(shotsDir()).filePath(name));
}

// Fontconfig keeps a few allocations of its own for the life of the process;
// they are not ours to free, so the leak checker of sanitizer builds skips them.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}
