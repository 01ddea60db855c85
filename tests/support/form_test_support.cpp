#include "form_test_support.h"

#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QGroupBox>
#include <QMap>
#include <QMenu>
#include <QCursor>
#include <QPainter>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

int g_argc = 1;
char g_name[] = "pelloran_tests";
char *g_argv[] = {g_name, nullptr};

} // namespace

QByteArray testPlatform()
{
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    if (!asked.isEmpty() && asked != "offscreen")
        return asked;
    // The screen's description goes where every user can read it: runs that
    // drop root's rights start the program as nobody, which may not enter
    // the folder the sources were checked out to.
    static const QString shared = [] {
        QFile source(QStringLiteral(PELLORAN_OFFSCREEN_SCREEN));
        const QByteArray screen = source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
        const QString target = QDir(QDir::tempPath()).filePath(QStringLiteral("pelloran-offscreen-screen.json"));
        QFile existing(target);
        if (existing.open(QIODevice::ReadOnly) && existing.readAll() == screen)
            return target;
        QSaveFile out(target);
        if (screen.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(screen) != screen.size()
            || !out.commit())
            return QStringLiteral(PELLORAN_OFFSCREEN_SCREEN);
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        return target;
    }();
    return "offscreen:configfile=" + QFile::encodeName(shared);
}

std::unique_ptr<QApplication> makeTestApplication(int &argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", testPlatform());
    auto app = std::make_unique<QApplication>(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    return app;
}

QApplication &sharedTestApplication()
{
    static QApplication *app = makeTestApplication(g_argc, g_argv).release();
    return *app;
}

FormTestApp::FormTestApp() : m_app(makeTestApplication(g_argc, g_argv)) {}

FormTestApp::~FormTestApp() = default;

ScopedFontSize::ScopedFontSize(int pixels) : m_previous(QApplication::font())
{
    QFont font(m_previous);
    font.setPixelSize(pixels);
    QApplication::setFont(font);
}

ScopedFontSize::~ScopedFontSize()
{
    QApplication::setFont(m_previous);
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

bool saveShotWithPopup(QWidget &window, const QString &name)
{
    QPixmap shot = window.grab();
    if (QWidget *popup = QApplication::activePopupWidget()) {
        QPainter painter(&shot);
        painter.drawPixmap(window.mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
    }
    return shot.save(QDir(shotsDir()).filePath(name));
}

void userMouse(QTest::MouseAction action, QWidget &widget, QPoint pos)
{
    QWindow *window = widget.window()->windowHandle();
    ASSERT_NE(window, nullptr) << "the widget is not shown";
    QTest::mouseEvent(action, window, action == QTest::MouseMove ? Qt::NoButton : Qt::LeftButton, {},
                      window->mapFromGlobal(widget.mapToGlobal(pos)));
}

bool saveShotWithTitleBar(QWidget &window, const QString &name)
{
    QFont bold(window.font());
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int height = 2 * metrics.height();
    const QPixmap body = window.grab();
    QPixmap shot(body.width(), body.height() + height);
    shot.fill(QColor(0x4a, 0x6e, 0xa9));
    QPainter painter(&shot);
    painter.drawPixmap(0, height, body);
    painter.setFont(bold);
    painter.setPen(Qt::white);
    // The icon at the left, the three buttons at the right, one height each.
    const QRect text(height, 0, body.width() - 4 * height, height);
    painter.drawText(text, Qt::AlignCenter | Qt::TextSingleLine,
                     metrics.elidedText(window.windowTitle(), Qt::ElideRight, text.width()));
    painter.setPen(QColor(0xdd, 0xe4, 0xf0));
    painter.drawRect(4, 4, height - 9, height - 9);
    for (int i = 1; i <= 3; ++i)
        painter.drawRect(body.width() - i * height + 4, 4, height - 9, height - 9);
    painter.end();
    return shot.save(QDir(shotsDir()).filePath(name));
}

void expectControls(const QWidget &form, std::span<const ControlRow> rows)
{
    for (const ControlRow &row : rows) {
        const QString name = QString::fromLatin1(row.name);
        const auto found = form.findChildren<QWidget *>(name);
        if (found.size() != 1) {
            ADD_FAILURE() << form.objectName().toStdString() << " has " << found.size()
                          << " controls named " << row.name;
            continue;
        }
        const QWidget *control = found.first();
        EXPECT_TRUE(control->inherits(row.type))
            << row.name << " is a " << control->metaObject()->className() << ", not a " << row.type;
        if (!row.text)
            continue;
        const auto *group = qobject_cast<const QGroupBox *>(control);
        const QString text = group ? group->title() : control->property("text").toString();
        EXPECT_EQ(text, QString::fromUtf8(row.text)) << row.name;
    }
}

void expectProperties(const QWidget &form, std::span<const PropertyRow> rows)
{
    for (const PropertyRow &row : rows) {
        const QObject *control = form.findChild<QWidget *>(QString::fromLatin1(row.control));
        if (!control) {
            ADD_FAILURE() << form.objectName().toStdString() << " has no " << row.control;
            continue;
        }
        EXPECT_EQ(control->property(row.property), row.value) << row.control << "." << row.property;
    }
}

void expectColumns(const QWidget &form, std::span<const ColumnRow> rows)
{
    QMap<QString, int> counts;
    for (const ColumnRow &row : rows) {
        const QString gridName = QString::fromLatin1(row.grid);
        const int index = counts[gridName]++;
        const auto *grid = form.findChild<TListGrid *>(gridName);
        if (!grid) {
            ADD_FAILURE() << form.objectName().toStdString() << " has no grid " << row.grid;
            continue;
        }
        const TLgCustomColumn *column = grid->Columns()->ColumnByName(QString::fromLatin1(row.column));
        if (!column) {
            ADD_FAILURE() << row.grid << " has no column " << row.column;
            continue;
        }
        EXPECT_EQ(column->Index(), index) << row.column;
        EXPECT_TRUE(column->inherits(row.type))
            << row.column << " is a " << column->metaObject()->className() << ", not a " << row.type;
        EXPECT_EQ(column->Header().Caption(), QString::fromUtf8(row.caption)) << row.column;
        if (row.width >= 0) {
            EXPECT_EQ(column->Width(), row.width) << row.column;
        }
        EXPECT_EQ(column->Visible(), row.visible) << row.column;
        EXPECT_EQ(column->Options().contains(coEditing), row.editable) << row.column;
    }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (const auto *grid = form.findChild<TListGrid *>(it.key())) {
            EXPECT_EQ(grid->Columns()->Count(), it.value()) << it.key().toStdString();
        }
    }
}

void expectExclusiveGroups(const QWidget &form, const std::vector<std::vector<const char *>> &groups)
{
    const auto button = [&form](const char *name) {
        return form.findChild<QRadioButton *>(QString::fromLatin1(name));
    };
    for (const auto &group : groups) {
        for (const char *name : group) {
            QRadioButton *chosen = button(name);
            if (!chosen) {
                ADD_FAILURE() << form.objectName().toStdString() << " has no radio button " << name;
                continue;
            }
            QMap<QString, bool> before;
            for (const auto &other : groups)
                if (&other != &group)
                    for (const char *otherName : other)
                        if (QRadioButton *b = button(otherName))
                            before[QString::fromLatin1(otherName)] = b->isChecked();
            chosen->setChecked(true);
            for (const char *member : group) {
                if (QRadioButton *b = button(member)) {
                    EXPECT_EQ(b->isChecked(), b == chosen) << name << " checked, " << member;
                }
            }
            for (auto it = before.cbegin(); it != before.cend(); ++it)
                EXPECT_EQ(button(qPrintable(it.key()))->isChecked(), it.value())
                    << name << " checked, " << qPrintable(it.key());
        }
    }
}

// Fontconfig keeps a few allocations of its own for the life of the process;
// they are not ours to free, so the leak checker of sanitizer builds skips them.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

bool clickMenuItems(QAbstractButton *button, const QList<QAction *> &path)
{
    QTest::mouseClick(button, Qt::LeftButton);
    for (QAction *item : path) {
        QApplication::processEvents();
        // The open menu that holds it: where the pointer rests, a submenu
        // may have opened over it already.
        QMenu *menu = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *open = qobject_cast<QMenu *>(window);
            if (open && open->isVisible() && open->actions().contains(item))
                menu = open;
        }
        if (!menu || !item->isEnabled() || menu->actionGeometry(item).isEmpty()) {
            while (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
            QApplication::processEvents();
            return false;
        }
        // A menu takes no notice of the pointer until it is well away from
        // where it rested when the menu opened, which may be on this item.
        const QRect place = menu->actionGeometry(item);
        const QPoint rest = menu->mapFromGlobal(QCursor::pos());
        QPoint target = place.center();
        for (const QPoint side : {QPoint(place.left() + 4, target.y()), QPoint(place.right() - 4, target.y())}) {
            if ((side - rest).manhattanLength() > (target - rest).manhattanLength())
                target = side;
        }
        QTest::mouseMove(menu, target);
        // A submenu opens as the pointer rests on its item; a click on one
        // open already would close it again.
        QMenu *submenu = item->menu();
        if (!submenu || !QTest::qWaitFor([submenu] { return submenu->isVisible(); }, 2000))
            QTest::mouseClick(menu, Qt::LeftButton, {}, target);
    }
    return true;
}
