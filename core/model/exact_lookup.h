#pragma once

#include "core/model/first_match_index.h"
#include "core/model/transponder.h"

#include <memory>
#include <unordered_map>
#include <vector>

class TSatelite;
class TServiceList;

// TServiceList::FindExact by service id alone (compareName and compareType
// False), in two steps, for many look-ups in a list that does not change
// meanwhile: linking thousands of my-services entries would otherwise walk
// the satellite's transponders and upper-case their texts once per entry.
// Tables are made on first use, per satellite and per transponder asked about.
class ExactLookup
{
public:
    // Transponders are compared on the seven texts, or on those `texts` names.
    explicit ExactLookup(const TServiceList &list, quint8 texts = kEveryTransponderText);
    ~ExactLookup();
    ExactLookup(const ExactLookup &) = delete;
    ExactLookup &operator=(const ExactLookup &) = delete;

    // The transponder FindExact looks in for entries of `transponder` on
    // `satelite`: the first satellite of that name, in it the first
    // transponder with the compared texts; null when there is none.
    const TTransponder *transponderFor(const TTransponder &transponder, const TSatelite &satelite);

    // The first service of `own` (a transponder of the list) with the id of
    // `service`, or -1.
    int serviceBySid(const TTransponder &own, const TService &service);

private:
    const FirstMatchIndex &transpondersOf(int satelite);

    const TServiceList &m_list;
    const quint8 m_texts;
    FirstMatchIndex m_satelites;
    std::vector<std::unique_ptr<FirstMatchIndex>> m_transponders; // per satellite
    std::unordered_map<const TTransponder *, FirstMatchIndex> m_services;
    const TTransponder *m_lastTransponder = nullptr;
    const FirstMatchIndex *m_lastTable = nullptr;
};
