// Linking a bouquet list against the services: the cost must grow with the
// sizes of the lists, not with their product.
#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"

#include <benchmark/benchmark.h>

#include <QHash>

#include <memory>

namespace {

constexpr int kSatelites = 10;
constexpr int kServicesPerTransponder = 40;

// The reader shares one copy of every short value it meets ("0001" is the
// same text object in every service that has it); lists built here do too.
QString pooled(const QString &text)
{
    static QHash<QString, QString> pool;
    const auto it = pool.constFind(text);
    if (it != pool.constEnd())
        return *it;
    pool.insert(text, text);
    return text;
}

QString hex4(int value)
{
    return pooled(QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper());
}

std::unique_ptr<TServiceList> makeServices(int count)
{
    auto list = std::make_unique<TServiceList>();
    const int transponders = std::max(1, count / (kSatelites * kServicesPerTransponder));
    int made = 0;
    for (int s = 0; s < kSatelites; ++s) {
        auto sat = std::make_unique<TSatelite>();
        sat->Name = QStringLiteral("Satellite %1").arg(s);
        for (int t = 0; t < transponders; ++t) {
            auto tp = std::make_unique<TTransponder>();
            tp->Tsid = hex4(s * transponders + t);
            tp->Onid = hex4(s);
            tp->Frequency = QString::number(10700 + t);
            for (int v = 0; v < kServicesPerTransponder && made < count; ++v, ++made) {
                auto service = std::make_unique<TService>();
                service->Name = QStringLiteral("Service %1").arg(made);
                service->Sid = hex4(v);
                service->SetServiceType(pooled(QStringLiteral("01")));
                tp->AddService(std::move(service));
            }
            sat->AddTransponder(std::move(tp));
        }
        list->AddSatelite(std::move(sat));
    }
    return list;
}

QString ownCopy(const QString &text)
{
    return QString(text.constData(), text.size());
}

// Entries spread over the whole tree; one in ten names a service that is gone.
std::unique_ptr<TBouquetList> makeBouquets(const TServiceList &services, int entries)
{
    std::vector<const TService *> flat;
    std::vector<const TTransponder *> flatTp;
    services.forEachService([&](TService *s, TTransponder *tp, TSatelite *) {
        flat.push_back(s);
        flatTp.push_back(tp);
    });
    auto list = std::make_unique<TBouquetList>();
    constexpr int kPerBouquet = 200;
    for (int made = 0; made < entries;) {
        auto bouquet = std::make_unique<TBouquet>();
        bouquet->Name = QStringLiteral("Bouquet %1").arg(made / kPerBouquet);
        for (int i = 0; i < kPerBouquet && made < entries; ++i, ++made) {
            const std::size_t pick = (std::size_t(made) * 7919u) % flat.size();
            auto entry = std::make_unique<TBouquetService>();
            // Texts as a reader would have made them: names of their own,
            // short ids shared.
            entry->Name = ownCopy(flat[pick]->Name);
            entry->Sid = made % 10 == 9 ? pooled(QStringLiteral("FFFF")) : flat[pick]->Sid;
            entry->Tsid = flatTp[pick]->Tsid;
            entry->Onid = flatTp[pick]->Onid;
            bouquet->Add(std::move(entry));
        }
        list->Add(std::move(bouquet));
    }
    return list;
}

void BM_LinkLists(benchmark::State &state)
{
    const auto services = makeServices(int(state.range(0)));
    const auto bouquets = makeBouquets(*services, int(state.range(1)));
    TServiceList myServices;
    for (auto _ : state)
        benchmark::DoNotOptimize(bouquets->Link(*services, myServices));
    state.SetItemsProcessed(state.iterations() * state.range(1));
}

// The floor under any linking: reading one field of every service once. On
// a machine whose caches hold the small list but not the large one, this
// alone grows by more than the sizes do.
void BM_TouchEveryService(benchmark::State &state)
{
    const auto services = makeServices(int(state.range(0)));
    for (auto _ : state) {
        qsizetype total = 0;
        services->forEachService(
            [&](TService *s, TTransponder *, TSatelite *) { total += s->BouquetNames().size(); });
        benchmark::DoNotOptimize(total);
    }
}

} // namespace

BENCHMARK(BM_TouchEveryService)
    ->ArgNames({"services"})
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_LinkLists)
    ->ArgNames({"services", "entries"})
    ->Args({10000, 2000})
    ->Args({100000, 20000})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
