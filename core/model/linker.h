#pragma once

#include <QString>

#include <vector>

class TBouquet;
class TBouquetService;
class TServiceList;

// One entry to link and the name of the bouquet holding it.
struct TEntryToLink {
    TBouquetService *entry;
    const QString *bouquetName;
};

// Links every entry of the given bouquets to the first service, in tree
// order, that carries its ids: in the my-services list if any, else in the
// services list. With clearBouquetNames every service's bouquet names are
// emptied first, so they end up listing exactly the bouquets that hold it.
// True when every entry linked.
//
// Each list is walked once, looking its services up among the ids the
// entries ask for, so the cost grows with the sizes of the lists and not
// with their product.
bool linkBouquets(const std::vector<TBouquet *> &bouquets, const TServiceList &serviceList,
                  const TServiceList &myServiceList, bool clearBouquetNames);

// The same for some entries only (the ones a command added): the services'
// other bouquet names stay.
bool linkEntries(const std::vector<TEntryToLink> &entries, const TServiceList &serviceList,
                 const TServiceList &myServiceList);
