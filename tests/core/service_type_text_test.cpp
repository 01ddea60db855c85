#include "core/model/service.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <thread>
#include <vector>

namespace {

struct TypeTextCase {
    const char *label;
    QStringList set; // the texts set one after another
    QString expected;
    QString expectedDecimal;
};

class ServiceTypeText : public testing::TestWithParam<TypeTextCase> {};

// Short type texts are shared between services and longer ones kept by each
// service: either way a service gives back exactly the text it was given
// last, and so does its clone.
TEST_P(ServiceTypeText, IsTheLastTextSet)
{
    const TypeTextCase &c = GetParam();
    TService service;
    for (const QString &type : c.set)
        service.SetServiceType(type);
    EXPECT_EQ(service.GetServiceType(), c.expected);
    EXPECT_EQ(service.GetServiceTypeDec(), c.expectedDecimal);
    EXPECT_EQ(service.Clone()->GetServiceType(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServiceTypeText,
    testing::Values(TypeTextCase{"untouched", {}, "00", "0"},
                    TypeTextCase{"shared", {"01"}, "01", "1"},
                    TypeTextCase{"case_kept", {"1F"}, "1F", "31"},
                    TypeTextCase{"longest_shared", {"0019"}, "0019", "25"},
                    TypeTextCase{"own", {"000019"}, "000019", "25"},
                    TypeTextCase{"own_then_shared", {"000019", "02"}, "02", "2"},
                    TypeTextCase{"shared_then_own", {"02", "0000c"}, "0000c", "12"},
                    TypeTextCase{"own_twice", {"0000c", "000001"}, "000001", "1"},
                    TypeTextCase{"empty", {"01", ""}, "", "0"},
                    TypeTextCase{"wildcard", {"*"}, "*", "0"}),
    [](const testing::TestParamInfo<TypeTextCase> &info) { return std::string(info.param.label); });

// A file may hold more distinct short types than are shared; those past the
// shared ones are kept by their services, with the same result.
TEST(ServiceTypeTextTable, MoreDistinctTypesThanSharedOnesAllKeepTheirText)
{
    constexpr int kTypes = 600;
    std::vector<TService> services(kTypes);
    for (int i = 0; i < kTypes; ++i)
        services[std::size_t(i)].SetServiceType(QStringLiteral("z%1").arg(i, 3, 36, QLatin1Char('0')));
    for (int i = 0; i < kTypes; ++i)
        ASSERT_EQ(services[std::size_t(i)].GetServiceType(),
                  QStringLiteral("z%1").arg(i, 3, 36, QLatin1Char('0')));
}

// The shared texts serve the whole program: types set at the same time on two
// threads are each read back as set.
TEST(ServiceTypeTextTable, TypesSetFromTwoThreadsAreReadBackAsSet)
{
    constexpr int kServices = 2000;
    const auto fill = [](std::vector<TService> &services, QChar prefix) {
        for (int i = 0; i < kServices; ++i)
            services[std::size_t(i)].SetServiceType(prefix + QString::number(i % 300, 36));
    };
    std::vector<TService> first(kServices);
    std::vector<TService> second(kServices);
    std::thread other([&] { fill(second, u'y'); });
    fill(first, u'x');
    other.join();
    for (int i = 0; i < kServices; ++i) {
        ASSERT_EQ(first[std::size_t(i)].GetServiceType(), u'x' + QString::number(i % 300, 36));
        ASSERT_EQ(second[std::size_t(i)].GetServiceType(), u'y' + QString::number(i % 300, 36));
    }
}

} // namespace
