#include "ui/grid/cell_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <limits>

namespace {

// A store without columns is enough to hold loose cells: they report their
// changes to it.
struct CellHost {
    TCells store{nullptr};
};

enum class Expect { Value, ConvertError };

struct ReadRow {
    const char *name;
    std::function<std::unique_ptr<TCell>(TCells *)> make;
    std::function<void(TCell &)> fill;
    std::optional<bool> asBoolean;      // nullopt: the read raises EConvertError
    std::optional<double> asDateTime;
    std::optional<double> asFloat;
    std::optional<int> asInteger;
    QString asString;
};

constexpr std::nullopt_t kRaises = std::nullopt;

std::unique_ptr<TCell> makeBoolean(TCells *s) { return std::make_unique<TBooleanCell>(s); }
std::unique_ptr<TCell> makeFloat(TCells *s) { return std::make_unique<TFloatCell>(s); }
std::unique_ptr<TCell> makeInteger(TCells *s) { return std::make_unique<TIntegerCell>(s); }
std::unique_ptr<TCell> makeString(TCells *s) { return std::make_unique<TStringCell>(s); }
std::unique_ptr<TCell> makeDate(TCells *s) { return std::make_unique<TDateTimeCell>(s); }

class CellReads : public ::testing::TestWithParam<ReadRow> {};

TEST_P(CellReads, EveryAccessorConverts)
{
    CellHost host;
    const ReadRow &row = GetParam();
    auto cell = row.make(&host.store);
    row.fill(*cell);
    if (row.asBoolean)
        EXPECT_EQ(cell->AsBoolean(), *row.asBoolean);
    else
        EXPECT_THROW((void)cell->AsBoolean(), EConvertError);
    if (row.asDateTime)
        EXPECT_DOUBLE_EQ(cell->AsDateTime(), *row.asDateTime);
    else
        EXPECT_THROW((void)cell->AsDateTime(), EConvertError);
    if (row.asFloat)
        EXPECT_DOUBLE_EQ(cell->AsFloat(), *row.asFloat);
    else
        EXPECT_THROW((void)cell->AsFloat(), EConvertError);
    if (row.asInteger)
        EXPECT_EQ(cell->AsInteger(), *row.asInteger);
    else
        EXPECT_THROW((void)cell->AsInteger(), EConvertError);
    EXPECT_EQ(cell->AsString(), row.asString);
}

INSTANTIATE_TEST_SUITE_P(
    Matrix, CellReads,
    ::testing::Values(
        ReadRow{"boolean_true_reads_zero_numbers", makeBoolean,
                [](TCell &c) { c.SetAsBoolean(true); }, true, 0, 0, 0, QStringLiteral("True")},
        ReadRow{"boolean_from_upper_case_text", makeBoolean,
                [](TCell &c) { c.SetAsString(QStringLiteral("TRUE")); }, true, 0, 0, 0,
                QStringLiteral("True")},
        ReadRow{"boolean_from_yes_is_false", makeBoolean,
                [](TCell &c) { c.SetAsString(QStringLiteral("yes")); }, false, 0, 0, 0,
                QStringLiteral("False")},
        ReadRow{"boolean_from_positive_float", makeBoolean,
                [](TCell &c) { c.SetAsFloat(0.5); }, true, 0, 0, 0, QStringLiteral("True")},
        ReadRow{"boolean_from_negative_integer", makeBoolean,
                [](TCell &c) { c.SetAsInteger(-3); }, false, 0, 0, 0, QStringLiteral("False")},
        ReadRow{"float_rounds_half_to_even", makeFloat, [](TCell &c) { c.SetAsFloat(2.5); },
                false, 2.5, 2.5, 2, QStringLiteral("2.5")},
        ReadRow{"float_rounds_odd_half_up", makeFloat, [](TCell &c) { c.SetAsFloat(3.5); },
                false, 3.5, 3.5, 4, QStringLiteral("3.5")},
        ReadRow{"float_from_boolean_is_zero", makeFloat, [](TCell &c) { c.SetAsBoolean(true); },
                false, 0, 0, 0, QStringLiteral("0")},
        ReadRow{"float_from_text", makeFloat,
                [](TCell &c) { c.SetAsString(QStringLiteral(" -12.25 ")); }, false, -12.25,
                -12.25, -12, QStringLiteral("-12.25")},
        ReadRow{"integer_from_empty_text", makeInteger,
                [](TCell &c) { c.SetAsString(QString()); }, false, 0, 0, 0, QStringLiteral("0")},
        ReadRow{"integer_from_float_rounds_even", makeInteger,
                [](TCell &c) { c.SetAsFloat(-2.5); }, false, 0, -2, -2, QStringLiteral("-2")},
        ReadRow{"integer_from_true", makeInteger, [](TCell &c) { c.SetAsBoolean(true); }, true, 0,
                1, 1, QStringLiteral("1")},
        ReadRow{"integer_from_date_is_zero", makeInteger,
                [](TCell &c) { c.SetAsDateTime(45000.75); }, false, 0, 0, 0, QStringLiteral("0")},
        ReadRow{"string_of_number", makeString,
                [](TCell &c) { c.SetAsString(QStringLiteral("42")); }, true, kRaises, 42, 42,
                QStringLiteral("42")},
        ReadRow{"string_of_zero_is_false", makeString,
                [](TCell &c) { c.SetAsString(QStringLiteral("0")); }, false, kRaises, 0, 0,
                QStringLiteral("0")},
        ReadRow{"string_from_boolean", makeString, [](TCell &c) { c.SetAsBoolean(false); },
                false, kRaises, kRaises, kRaises, QStringLiteral("False")},
        ReadRow{"string_from_integer", makeString, [](TCell &c) { c.SetAsInteger(-7); }, true,
                kRaises, -7, -7, QStringLiteral("-7")},
        ReadRow{"string_of_date_text", makeString,
                [](TCell &c) { c.SetAsString(QStringLiteral("2024-03-01")); }, kRaises, 45352,
                kRaises, kRaises, QStringLiteral("2024-03-01")},
        ReadRow{"date_from_integer", makeDate, [](TCell &c) { c.SetAsInteger(3); }, false, 3, 3,
                3, CellText::fromDateTime(3)},
        ReadRow{"date_from_unparsable_text_is_zero", makeDate,
                [](TCell &c) { c.SetAsString(QStringLiteral("not a date")); }, false, 0, 0, 0,
                CellText::fromDateTime(0)}),
    [](const auto &info) { return std::string(info.param.name); });

struct ErrorRow {
    const char *name;
    std::function<std::unique_ptr<TCell>(TCells *)> make;
    std::function<void(TCell &)> prepare;
    std::function<void(TCell &)> act;
};

class CellConversionErrors : public ::testing::TestWithParam<ErrorRow> {};

TEST_P(CellConversionErrors, RaiseAndKeepTheValue)
{
    CellHost host;
    const ErrorRow &row = GetParam();
    auto cell = row.make(&host.store);
    row.prepare(*cell);
    const QString before = cell->AsString();
    EXPECT_THROW(row.act(*cell), EConvertError);
    EXPECT_EQ(cell->AsString(), before);
}

const double kHuge = 1e12;

INSTANTIATE_TEST_SUITE_P(
    Matrix, CellConversionErrors,
    ::testing::Values(
        ErrorRow{"integer_from_letters", makeInteger, [](TCell &c) { c.SetAsInteger(5); },
                 [](TCell &c) { c.SetAsString(QStringLiteral("abc")); }},
        ErrorRow{"integer_from_float_out_of_range", makeInteger,
                 [](TCell &c) { c.SetAsInteger(5); }, [](TCell &c) { c.SetAsFloat(kHuge); }},
        ErrorRow{"integer_from_nan", makeInteger, [](TCell &c) { c.SetAsInteger(5); },
                 [](TCell &c) { c.SetAsFloat(std::numeric_limits<double>::quiet_NaN()); }},
        ErrorRow{"float_read_as_integer_out_of_range", makeFloat,
                 [](TCell &c) { c.SetAsFloat(-kHuge); }, [](TCell &c) { (void)c.AsInteger(); }},
        ErrorRow{"date_read_as_integer_out_of_range", makeDate,
                 [](TCell &c) { c.SetAsDateTime(kHuge); }, [](TCell &c) { (void)c.AsInteger(); }},
        ErrorRow{"float_from_letters", makeFloat, [](TCell &c) { c.SetAsFloat(1.5); },
                 [](TCell &c) { c.SetAsString(QStringLiteral("1.5x")); }},
        ErrorRow{"string_read_as_float", makeString,
                 [](TCell &c) { c.SetAsString(QStringLiteral("x")); },
                 [](TCell &c) { (void)c.AsFloat(); }},
        ErrorRow{"string_read_as_boolean", makeString,
                 [](TCell &c) { c.SetAsString(QStringLiteral("maybe")); },
                 [](TCell &c) { (void)c.AsBoolean(); }},
        ErrorRow{"string_read_as_date", makeString,
                 [](TCell &c) { c.SetAsString(QStringLiteral("maybe")); },
                 [](TCell &c) { (void)c.AsDateTime(); }},
        ErrorRow{"empty_string_read_as_integer", makeString,
                 [](TCell &c) { c.SetAsString(QString()); },
                 [](TCell &c) { (void)c.AsInteger(); }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CellValues, DateCellGivenTrueHoldsToday)
{
    CellHost host;
    TDateTimeCell cell(&host.store);
    cell.SetAsBoolean(true);
    EXPECT_DOUBLE_EQ(cell.AsDateTime(), CellText::today());
}

TEST(CellValues, DateTextRoundTrips)
{
    CellHost host;
    TDateTimeCell cell(&host.store);
    cell.SetAsDateTime(45000.5);
    TDateTimeCell copy(&host.store);
    copy.SetAsString(cell.AsString());
    EXPECT_NEAR(copy.AsDateTime(), 45000.5, 1.0 / 1440);
}

TEST(CellValues, EveryWriteReportsOneChange)
{
    TCells store(nullptr);
    int changes = 0;
    store.OnChange = [&](int, int) { ++changes; };
    TStringCell cell(&store);
    cell.SetAsString(QStringLiteral("a"));
    cell.SetAsInteger(1);
    cell.SetAsFloat(1.5);
    cell.SetAsBoolean(true);
    cell.SetAsDateTime(2);
    EXPECT_EQ(changes, 5);
}

} // namespace
