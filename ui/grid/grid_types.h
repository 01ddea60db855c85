#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>
#include <initializer_list>
#include <type_traits>

// A set of enumerators kept as a bit set in declaration order, so the stored
// form (ini files keep grid options as numbers) stays what the windows wrote.
template <typename E>
class TSetOf
{
    static_assert(std::is_enum_v<E>);

public:
    constexpr TSetOf() = default;
    constexpr TSetOf(std::initializer_list<E> items)
    {
        for (E e : items)
            m_bits |= bit(e);
    }

    static constexpr TSetOf fromBits(std::uint32_t bits)
    {
        TSetOf s;
        s.m_bits = bits;
        return s;
    }
    constexpr std::uint32_t bits() const { return m_bits; }

    constexpr bool contains(E e) const { return (m_bits & bit(e)) != 0; }
    constexpr bool isEmpty() const { return m_bits == 0; }
    constexpr TSetOf &include(E e)
    {
        m_bits |= bit(e);
        return *this;
    }
    constexpr TSetOf &exclude(E e)
    {
        m_bits &= ~bit(e);
        return *this;
    }
    constexpr TSetOf operator+(E e) const { return TSetOf(*this).include(e); }
    constexpr TSetOf operator-(E e) const { return TSetOf(*this).exclude(e); }
    constexpr TSetOf operator+(TSetOf o) const { return fromBits(m_bits | o.m_bits); }
    constexpr TSetOf operator-(TSetOf o) const { return fromBits(m_bits & ~o.m_bits); }
    constexpr bool operator==(const TSetOf &) const = default;

private:
    static constexpr std::uint32_t bit(E e) { return std::uint32_t(1) << static_cast<unsigned>(e); }
    std::uint32_t m_bits = 0;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSetOf<TFontStyle>;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TVerticalAlignment { vaTop, vaMiddle, vaBottom };
enum TWrapKind { wkNone, wkEllipsis, wkWordWrap };
enum TDrawingOptions { doNormal, doBackgroundOnly, doCustom, doCustomOnly };
enum TSortKind { skAscending, skDescending };
enum TSortType { stAlphabetic, stBoolean, stCaseInsensitive, stCustom, stNumeric, stDate, stIP };
enum TDisplayMode { dmImageOnly, dmTextAndImage, dmTextOnly };
enum THeaderOrientation { hoHorizontal, hoVertical };
enum TFormulaKind { fkNone, fkAverage, fkCount, fkDistinct, fkMaximum, fkMinimum, fkSum };

enum TColumnOption {
    coAutoSize,
    coCanClick,
    coCanInput,
    coCanSort,
    coDontHighlight,
    coEditing,
    coEditorAutoSelect,
    coFixedSize,
    coPublicUsing,
    coSearchColumn,
    coShowTextFitHint,
};
using TColumnOptions = TSetOf<TColumnOption>;

enum TGridOption {
    goCanHideColumn,
    goDisableColumnMoving,
    goFooter,
    goGrid,
    goHeader,
    goIndicator,
    goInput,
    goMultiSelect,
    goRowResizing,
    goSelectFullRow,
    goUseDefaultValues,
};
using TGridOptions = TSetOf<TGridOption>;

enum TAppearanceOption {
    aoAlphaBlendedSelection,
    aoBoldTextSelection,
    aoHideFocus,
    aoHideSelection,
    aoHintMarks,
    aoIndicateSelectedCell,
    aoIndicateSortedColumn,
};
using TAppearanceOptions = TSetOf<TAppearanceOption>;

enum TCellStateItem { csBoldTextSelection, csFocused, csSelected };
using TCellState = TSetOf<TCellStateItem>;

enum TGridStyle { gsReport, gsSlides };
enum TGridLinesStyle { lsNormal, lsActiveRows, lsFramed, lsHorizontalOnly };
enum THeaderStyle { hsAuto, hsFlatBorders, hsOldStyle, hsOutlook };
enum TSelectionMoveDirection { mdNone, mdUp, mdDown, mdLeft, mdRight };
enum TComboBoxStyle { cbsDropDown, cbsDropDownList };

// Kind numbers that pick the cell class of a column's cells.
inline constexpr int kKindIncrement = 0;
inline constexpr int kKindBoolean = 3;
inline constexpr int kKindDateTime = 4;
inline constexpr int kKindFloat = 5;
inline constexpr int kKindInteger = 6;
inline constexpr int kKindText = 7;
inline constexpr int kKindVirtual = 9;

// The window system's named colours, resolved from the application palette
// each time they are asked for, so a palette change is followed.
namespace SysColor {
QColor window();
QColor windowText();
QColor buttonFace();
QColor buttonHighlight();
QColor buttonShadow();
QColor windowFrame();
QColor highlight();
QColor highlightText();
// The selection of a window part that does not have the focus.
QColor inactiveHighlight();
QColor grayText();
QColor infoBackground();
} // namespace SysColor
