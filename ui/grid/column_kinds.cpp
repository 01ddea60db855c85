#include "ui/grid/column_kinds.h"

#include "ui/editors/lg_combo_box.h"
#include "ui/editors/lg_number_edit.h"
#include "ui/grid/cells.h"
#include "ui/grid/column_displays.h"
#include "ui/grid/inplace_editor.h"
#include "ui/grid/image_list.h"
#include "ui/grid/number_format.h"
#include "ui/grid/providers.h"

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
    return QFontMetrics(gridFont).horizontalAdvance(TextShownIn(text, kMaxColumnWidth))
        + kTextMinWidthPadding;
}

QString TLgTextColumn::DisplayText(const QString &value) const
{
    // Best fit asks for every row's text: most columns add nothing, and the
    // text then stays shared instead of being copied.
    if (TextBefore.isEmpty() && TextAfter.isEmpty())
        return value;
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
        return TextBefore.isEmpty() && TextAfter.isEmpty() ? value : TextBefore + value + TextAfter;
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
    TLgCustomColumn::PrepareEditor(editor);
    if (auto *spin = dynamic_cast<TLgSpinEdit *>(editor)) {
        spin->SetInPlace(true);
        spin->SetIncrement(Increment);
        spin->SetMin(Min);
        spin->SetMax(Max);
    }
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

void TLgPopupColumn::PrepareEditor(ILgInplaceEditor *editor)
{
    TLgTextColumn::PrepareEditor(editor);
    auto *popup = dynamic_cast<TLgPopupEdit *>(editor);
    if (!popup)
        return;
    popup->OnCloseUp = [this](TLgPopupEdit *) {
        if (OnCloseUp)
            OnCloseUp(this);
    };
    popup->OnSelect = [this](TLgPopupEdit *) {
        if (OnSelect)
            OnSelect(this);
    };
}

TLgComboBoxColumn::TLgComboBoxColumn(QObject *parent) : TLgTextColumn(parent) {}

void TLgComboBoxColumn::PrepareEditor(ILgInplaceEditor *editor)
{
    TLgTextColumn::PrepareEditor(editor);
    auto *combo = dynamic_cast<TLgComboBox *>(editor);
    if (!combo)
        return;
    QList<QPixmap> images;
    if (Images)
        for (int k = 0; k < Images->Count(); ++k)
            images.append(Images->Image(k));
    combo->SetStyle(Style == cbsDropDownList ? dsDropDownList : dsDropDown);
    combo->SetItems(Items);
    combo->SetImages(images);
    // The editor already holds the cell text; the item equal to it is selected.
    const QString text = combo->Text();
    combo->SetItemIndex(int(Items.indexOf(text)));
    if (Style == cbsDropDown)
        combo->SetText(text);
    combo->SetShowPreview(DisplayMode != dmTextOnly && !images.isEmpty());
    combo->SetDropDownCount(DropDownCount);
    combo->OnSelect = [this](TLgPopupEdit *) {
        if (OnSelect)
            OnSelect(this);
    };
}

std::unique_ptr<TColumnDisplay> TLgComboBoxColumn::CreateDisplay()
{
    return std::make_unique<TComboBoxColumnDisplay>(this);
}
