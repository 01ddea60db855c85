#pragma once

#include <QApplication>
#include <QFont>
#include <QList>
#include <QString>
#include <QTest>
#include <QVariant>

#include <memory>
#include <span>
#include <vector>

class QAbstractButton;
class QAction;
class QWidget;

// The widget application of one test suite, on the offscreen platform with
// the Fusion style, its standard palette and DejaVu Sans 11 px, so pixels do
// not depend on the desktop the tests run on. It lives for one suite only:
// other tests of this program make a core application of their own, and Qt
// allows one at a time.
class FormTestApp
{
public:
    FormTestApp();
    ~FormTestApp();
    FormTestApp(const FormTestApp &) = delete;
    FormTestApp &operator=(const FormTestApp &) = delete;

private:
    std::unique_ptr<QApplication> m_app;
};

// The platform the window tests draw on, for QT_QPA_PLATFORM: Qt's offscreen
// one with a single 1600 x 1000 screen, the size of desktop the windows are
// judged on, when QT_QPA_PLATFORM is empty or plain "offscreen"; otherwise
// what it names.
QByteArray testPlatform();

// A widget application on the offscreen platform with the Fusion style, its
// standard palette and DejaVu Sans 11 px, so pixels do not depend on the
// desktop the tests run on.
std::unique_ptr<QApplication> makeTestApplication(int &argc, char **argv);
// One such application for the whole test program, never freed.
QApplication &sharedTestApplication();

// The application font at another pixel size while it lives, as a desktop
// with larger text has it; the font before comes back after.
class ScopedFontSize
{
public:
    explicit ScopedFontSize(int pixels);
    ~ScopedFontSize();
    ScopedFontSize(const ScopedFontSize &) = delete;
    ScopedFontSize &operator=(const ScopedFontSize &) = delete;

private:
    QFont m_previous;
};

// Clicks a button that drops a menu down, then each item of `path` in the
// menu open at the time, as the mouse does: an item with a submenu opens it
// for the next. False, with every menu closed again, when an item is not
// there or not enabled.
bool clickMenuItems(QAbstractButton *button, const QList<QAction *> &path);

// Where screenshots go (created on first use).
QString shotsDir();

// Grabs a shown widget into shotsDir()/name; false when it could not be saved.
bool saveShot(QWidget &widget, const QString &name);

// The same with a title bar drawn above it as a window manager would: the
// window's title in the bold application font and, at the right, the
// buttons' places, so the shot shows whether the title fits.
bool saveShotWithTitleBar(QWidget &window, const QString &name);

// Grabs a shown window with its open pop-up (a drop-down list, say) drawn
// over it where the user sees it.
bool saveShotWithPopup(QWidget &window, const QString &name);

// A mouse press, release, click or move at `pos` of `widget` as the window
// system delivers it: to the window, from where Qt hands it on, to an open
// pop-up first, as a user's mouse does (QTest's widget overloads give it to
// the widget straight). A move carries the buttons still held.
void userMouse(QTest::MouseAction action, QWidget &widget, QPoint pos);

// A named control of a window: a class it must be (or derive from) and,
// when given, its text (a group box's title).
struct ControlRow {
    const char *name;
    const char *type;
    const char *text = nullptr;
};

// A property of a named control as the window starts out.
struct PropertyRow {
    const char *control;
    const char *property;
    QVariant value;
};

// Every control exists exactly once under its name, with its class and text.
void expectControls(const QWidget &form, std::span<const ControlRow> rows);

void expectProperties(const QWidget &form, std::span<const PropertyRow> rows);

// A grid column: its class, header caption, width (-1 where it follows the
// grid's width), whether it shows and whether its cells are edited.
struct ColumnRow {
    const char *grid;
    const char *column;
    const char *type;
    const char *caption;
    int width;
    bool visible;
    bool editable;
};

// Each grid holds exactly the rows' columns, in the rows' order (the order
// its cells are addressed in).
void expectColumns(const QWidget &form, std::span<const ColumnRow> rows);

// Checking any button of a group unchecks the rest of that group and leaves
// every other group as it was.
void expectExclusiveGroups(const QWidget &form, const std::vector<std::vector<const char *>> &groups);
