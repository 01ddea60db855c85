#include "ui/grid/themes.h"

#include "ui/grid/grid_types.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>

#include <atomic>

namespace {

std::atomic<bool> g_themesAllowed{true};

QPalette appPalette()
{
    return QApplication::palette();
}

} // namespace

namespace SysColor {
QColor window()
{
    return appPalette().color(QPalette::Active, QPalette::Base);
}
QColor windowText()
{
    return appPalette().color(QPalette::Active, QPalette::Text);
}
QColor buttonFace()
{
    return appPalette().color(QPalette::Active, QPalette::Button);
}
QColor buttonHighlight()
{
    return appPalette().color(QPalette::Active, QPalette::Light);
}
QColor buttonShadow()
{
    return appPalette().color(QPalette::Active, QPalette::Dark);
}
QColor windowFrame()
{
    return appPalette().color(QPalette::Active, QPalette::Shadow);
}
QColor highlight()
{
    return appPalette().color(QPalette::Active, QPalette::Highlight);
}
QColor highlightText()
{
    return appPalette().color(QPalette::Active, QPalette::HighlightedText);
}
QColor inactiveHighlight()
{
    return appPalette().color(QPalette::Inactive, QPalette::Highlight);
}
QColor grayText()
{
    return appPalette().color(QPalette::Disabled, QPalette::Text);
}
QColor infoBackground()
{
    return appPalette().color(QPalette::Active, QPalette::ToolTipBase);
}
} // namespace SysColor

namespace Themes {

bool ThemesAvailable()
{
    return g_themesAllowed && qApp && QApplication::style();
}

void SetThemesAllowed(bool allowed)
{
    g_themesAllowed = allowed;
}

void DrawHeaderPart(QPainter &painter, const QWidget *widget, const QRect &rect, THeaderState state)
{
    QStyleOptionHeader option;
    if (widget)
        option.initFrom(widget);
    option.rect = rect;
    option.state |= QStyle::State_Enabled | QStyle::State_Raised | QStyle::State_Horizontal;
    if (state == THeaderState::Hot)
        option.state |= QStyle::State_MouseOver;
    if (state == THeaderState::Pressed)
        option.state |= QStyle::State_Sunken;
    option.position = QStyleOptionHeader::Middle;
    QApplication::style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, widget);
}

void DrawCheckBox(QPainter &painter, const QWidget *widget, const QRect &rect, bool checked)
{
    QStyleOptionButton option;
    if (widget)
        option.initFrom(widget);
    option.rect = rect;
    option.state |= QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
    QApplication::style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, widget);
}

void DrawBorder(QPainter &painter, const QWidget *widget, const QRect &rect)
{
    QStyleOptionFrame option;
    if (widget)
        option.initFrom(widget);
    option.rect = rect;
    option.lineWidth = 1;
    option.frameShape = QFrame::StyledPanel;
    option.state |= QStyle::State_Sunken;
    QApplication::style()->drawPrimitive(QStyle::PE_Frame, &option, &painter, widget);
}

} // namespace Themes
