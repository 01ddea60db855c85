#include "ui/grid/column_kinds.h"

#include "ui/grid/cells.h"
#include "ui/grid/column_displays.h"
#include "ui/grid/inplace_editor.h"
#include "ui/grid/number_format.h"

#include <QFontMetrics>
#include <QLocale>

namespace {
constexpr int kTextMinWidthPadding = 5;
}

TLgTextColumn::TLgTextColumn(QObject *parent) : TLgCustomColumn(parent)
{
    SetOptionsDefault(Options() + coShowTextFitHint);
}

int TLgTextColumn::MinWidth(const QString &text, const QFont &gridFont) const
{
    return QFontMetrics(gridFont).horizontalAdvance(text) + kTextMinWidthPadding;
}

QString TLgTextColumn::DisplayText(const QString &value) const
{
    return TextBefore + value + TextAfter;
}

bool TLgTextColumn::IsValidChar(QChar c) const
{
    return c.unicode() > u' ';
}

void TLgTextColumn::PrepareEditor(ILgInplaceEditor *editor)
{
    TLgCustomColumn::PrepareEditor(editor);
    if (editor)
        editor->SetInPlace(true);
}

TLgHtmlColumn::TLgHtmlColumn(QObject *parent) : TLgCustomColumn(parent)
{
    SetSortTypeDefault(stAlphabetic);
}

std::unique_ptr<TColumnDisplay> TLgHtmlColumn::CreateDisplay()
{
    return std::make_unique<THtmlColumnDisplay>(this);
}

TLgCheckBoxColumn::TLgCheckBoxColumn(QObject *parent) : TLgCustomColumn(parent)
{
    SetKind(kKindBoolean);
    SetSortTypeDefault(stBoolean);
}

std::unique_ptr<TColumnDisplay> TLgCheckBoxColumn::CreateDisplay()
{
    return std::make_unique<TCheckBoxColumnDisplay>(this);
}

std::unique_ptr<TColumnPlay> TLgCheckBoxColumn::CreatePlay()
{
    return std::make_unique<TCheckBoxColumnPlay>(this);
}

TLgImageColumn::TLgImageColumn(QObject *parent) : TLgCustomColumn(parent)
{
    SetKind(kKindInteger);
    DefaultValue = QStringLiteral("0");
    SetSortTypeDefault(stNumeric);
}

std::unique_ptr<TColumnDisplay> TLgImageColumn::CreateDisplay()
{
    return std::make_unique<TImageColumnDisplay>(this);
}

TLgNumberColumn::TLgNumberColumn(QObject *parent) : TLgCustomColumn(parent)
{
    SetKind(kKindFloat);
    DefaultValue = QStringLiteral("0");
    SetSortTypeDefault(stNumeric);
}

QString TLgNumberColumn::FormatValue(double value) const
{
    return TextBefore + FormatFloatMask(FormatMask, value) + TextAfter;
}

QString TLgNumberColumn::DisplayText(const QString &value) const
{
    if (FormatMask.isEmpty())
        return TextBefore + value + TextAfter;
    double number = 0;
    if (!CellText::tryToFloat(value, number))
        return TextBefore + value + TextAfter;
    return FormatValue(number);
}

bool TLgNumberColumn::IsValidChar(QChar c) const
{
    if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-')
        return true;
    return QLocale().decimalPoint() == QString(c);
}

void TLgNumberColumn::PrepareEditor(ILgInplaceEditor *editor)
{
    // The spin editor takes Increment, Min and Max when it exists.
    TLgCustomColumn::PrepareEditor(editor);
}

std::unique_ptr<TColumnDisplay> TLgNumberColumn::CreateDisplay()
{
    return std::make_unique<TNumericColumnDisplay>(this);
}

TLgIncrementColumn::TLgIncrementColumn(QObject *parent) : TLgCustomColumn(parent)
{
    SetKind(kKindIncrement);
}

std::unique_ptr<TColumnDisplay> TLgIncrementColumn::CreateDisplay()
{
    return std::make_unique<TIncrementColumnDisplay>(this);
}

TLgComboBoxColumn::TLgComboBoxColumn(QObject *parent) : TLgTextColumn(parent) {}

std::unique_ptr<TColumnDisplay> TLgComboBoxColumn::CreateDisplay()
{
    return std::make_unique<TComboBoxColumnDisplay>(this);
}
