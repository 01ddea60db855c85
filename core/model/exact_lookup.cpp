#include "core/model/exact_lookup.h"

#include "core/model/service_list.h"
#include "core/model/text_keys.h"

namespace {

// Short transponders are scanned: a table would cost more than it saves.
constexpr int kSidTableFrom = 64;

} // namespace

ExactLookup::ExactLookup(const TServiceList &list, quint8 texts)
    : m_list(list), m_texts(texts), m_transponders(std::size_t(list.Count()))
{
    m_satelites.reserve(std::size_t(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
        const QString &name = list.GetItem(i)->Name;
        m_satelites.insert(exactTextHash(name), i,
                           [&](int j) { return m_list.GetItem(j)->Name == name; });
    }
}

ExactLookup::~ExactLookup() = default;

const FirstMatchIndex &ExactLookup::transpondersOf(int satelite)
{
    auto &table = m_transponders[std::size_t(satelite)];
    if (!table) {
        table = std::make_unique<FirstMatchIndex>();
        const TSatelite &sat = *m_list.GetItem(satelite);
        table->reserve(std::size_t(sat.Count()));
        for (int i = 0; i < sat.Count(); ++i) {
            const TTransponder &tp = *sat.GetItem(i);
            table->insert(transponderMatchHash(tp, m_texts), i, [&](int j) {
                return transponderMatches(*sat.GetItem(j), tp, false, m_texts);
            });
        }
    }
    return *table;
}

int ExactLookup::serviceBySid(const TTransponder &transponder, const TService &service)
{
    if (transponder.Count() < kSidTableFrom) {
        for (int i = 0; i < transponder.Count(); ++i) {
            if (sameUpperText(transponder.GetItem(i)->Sid, service.Sid))
                return i;
        }
        return -1;
    }
    // Entries of one transponder come one after another: keep its table at hand.
    if (m_lastTransponder != &transponder) {
        const auto [it, made] = m_services.try_emplace(&transponder);
        if (made) {
            it->second.reserve(std::size_t(transponder.Count()));
            for (int i = 0; i < transponder.Count(); ++i) {
                const QString &sid = transponder.GetItem(i)->Sid;
                it->second.insert(upperTextHash(sid), i, [&](int j) {
                    return sameUpperText(transponder.GetItem(j)->Sid, sid);
                });
            }
        }
        m_lastTransponder = &transponder;
        m_lastTable = &it->second;
    }
    return m_lastTable->find(upperTextHash(service.Sid), [&](int j) {
        return sameUpperText(transponder.GetItem(j)->Sid, service.Sid);
    });
}

const TTransponder *ExactLookup::transponderFor(const TTransponder &transponder,
                                                const TSatelite &satelite)
{
    const int sat = m_satelites.find(exactTextHash(satelite.Name), [&](int j) {
        return m_list.GetItem(j)->Name == satelite.Name;
    });
    if (sat < 0)
        return nullptr;
    const TSatelite &ownSat = *m_list.GetItem(sat);
    const int tp = transpondersOf(sat).find(transponderMatchHash(transponder, m_texts), [&](int j) {
        return transponderMatches(*ownSat.GetItem(j), transponder, false, m_texts);
    });
    return tp < 0 ? nullptr : ownSat.GetItem(tp);
}
