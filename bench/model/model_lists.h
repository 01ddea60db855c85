#pragma once

// Channel lists shaped like a receiver's, for the model benchmarks: services
// spread over satellites and transponders, bouquets over them, half of the
// entries marked. The same seed always gives the same list.

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"

#include <QString>

#include <memory>

namespace model_bench {

// `count` services, `perTransponder` on each transponder, over ten
// satellites; names such as real lists have ("Das Erste HD", "Rock & Pop",
// "Россия 1"), every other one beginning with "A" (a search by "A*" hits
// about half of them). Added the way the readers add, with merge.
std::unique_ptr<TServiceList> makeServices(int count, int perTransponder = 40);

// A services file of `count` services in the first dialect, as the program
// writes one; `perTransponder` services on each transponder.
QByteArray servicesFile(int count, int perTransponder);

// Services files of `elements` elements that repeat, each merged into the
// first of its kind as it is read: one satellite over every <sat> element
// (each with a transponder of its own), one transponder over every
// <transponder> element (each with a service of its own and one all share),
// or as many satellites of their own, every tenth element repeating one.
enum class Repeated { Satelite, Transponder, DistinctSatelites };
QByteArray repeatedElementsFile(Repeated shape, int elements);

// User entries for every fifth service of `services` (one in ten of them
// names a service that is not there), with their actions.
std::unique_ptr<TServiceList> makeMyServices(const TServiceList &services, int count);

// A bouquet of entries linked to the services of `services` in tree order,
// `count` of them (the services are reused when there are fewer). Every
// other entry is marked; every fourth is hidden by the grid's filter.
std::unique_ptr<TBouquet> makeBouquet(const TServiceList &services, int count);

// `count` bouquets of one entry each, every other one marked.
std::unique_ptr<TBouquetList> makeBouquetList(const TServiceList &services, int count);

} // namespace model_bench
