#include "core/model/transponder.h"

#include "core/model/save_handler.h"
#include "core/model/text_keys.h"
#include "core/util/number_text.h"
#include "core/util/str_utils.h"
#include "core/util/text_compare.h"

#include <array>
#include <utility>

namespace {

bool upperMatches(const QString &text, const QString &mask, bool useWildcards)
{
    return useWildcards ? matchesWildcard(upperText(text), upperText(mask))
                        : sameUpperText(text, mask);
}

// What the adding with merge compares: upper-cased id and type, exact name.
std::size_t mergeKeyHash(std::uint32_t keyHash, const TService &s)
{
    return upperTextHash(s.GetServiceType(), keyHash);
}

bool sameMergeKey(const TService &a, const TService &b)
{
    return sameUpperText(a.Sid, b.Sid) && sameUpperText(a.GetServiceType(), b.GetServiceType())
        && a.Name == b.Name;
}

} // namespace

std::uint32_t serviceKeyHash(const TService &service)
{
    // Names are long and ids short: the name takes Qt's hash, which reads
    // many units a step.
    return std::uint32_t(qHash(QStringView(service.Name), upperTextHash(service.Sid)));
}

bool transponderMatches(const TTransponder &c, const TTransponder &t, bool useWildcards,
                        quint8 texts)
{
    const auto matches = [&](quint8 text, const QString &own, const QString &templ) {
        return !(texts & text) || upperMatches(own, templ, useWildcards);
    };
    return matches(ttTsid, c.Tsid, t.Tsid) && matches(ttOnid, c.Onid, t.Onid)
        && matches(ttFrequency, c.Frequency, t.Frequency)
        && matches(ttSymbolRate, c.SymbolRate, t.SymbolRate) && matches(ttFec, c.Fec, t.Fec)
        && matches(ttPolarization, c.Polarization, t.Polarization)
        && matches(ttModulation, c.Modulation, t.Modulation);
}

std::size_t transponderMatchHash(const TTransponder &t, quint8 texts)
{
    std::size_t h = 0;
    for (const auto &[text, value] : {std::pair{ttTsid, &t.Tsid}, std::pair{ttOnid, &t.Onid},
                                      std::pair{ttFrequency, &t.Frequency},
                                      std::pair{ttSymbolRate, &t.SymbolRate},
                                      std::pair{ttFec, &t.Fec},
                                      std::pair{ttPolarization, &t.Polarization},
                                      std::pair{ttModulation, &t.Modulation}}) {
        if (texts & text)
            h = upperTextHash(*value, h);
    }
    return h;
}

TService *TTransponder::GetItem(int index) const
{
    return m_services.checkedAt(index);
}

void TTransponder::Clear()
{
    SaveHandler().SetModified();
    dropTables();
    m_services.clear();
}

std::unique_ptr<TTransponder> TTransponder::Clone() const
{
    auto clone = std::make_unique<TTransponder>();
    clone->Tsid = Tsid;
    clone->Onid = Onid;
    clone->Frequency = Frequency;
    clone->Inversion = Inversion;
    clone->SymbolRate = SymbolRate;
    clone->Fec = Fec;
    clone->Polarization = Polarization;
    clone->Modulation = Modulation;
    return clone;
}

void TTransponder::SetWildcards()
{
    const QString any = QStringLiteral("*");
    Tsid = Onid = Frequency = Inversion = SymbolRate = Fec = Polarization = Modulation = any;
}

QString TTransponder::GetTsidDec() const
{
    return hexToDecText(Tsid);
}

QString TTransponder::GetOnidDec() const
{
    return hexToDecText(Onid);
}

void TTransponder::SetTsidDec(const QString &decimal)
{
    Tsid = decToHexText(decimal);
}

void TTransponder::SetOnidDec(const QString &decimal)
{
    Onid = decToHexText(decimal);
}

void TTransponder::SetFecText(const QString &text)
{
    static const std::array<const char16_t *, 8> kRates = {u"1/2", u"2/3", u"3/4", u"4/5",
                                                           u"5/6", u"6/7", u"7/8", u"8/9"};
    for (std::size_t i = 0; i < kRates.size(); ++i) {
        if (text == QStringView(kRates[i])) {
            Fec = QString::number(i + 1);
            return;
        }
    }
}

int TTransponder::FindService(const TService &templ, bool useWildcards, bool compareName,
                              bool compareType, TService *&service) const
{
    const auto matches = [useWildcards](const QString &text, const QString &mask) {
        return upperMatches(text, mask, useWildcards);
    };
    for (int i = 0; i < m_services.count(); ++i) {
        TService *candidate = m_services.at(i);
        bool match = matches(candidate->Sid, templ.Sid);
        if (match && compareType)
            match = matches(candidate->GetServiceType(), templ.GetServiceType());
        if (match && compareType && compareName)
            match = strMatches(candidate->Name, templ.Name, useWildcards);
        if (match) {
            service = candidate;
            return i;
        }
    }
    service = nullptr;
    return -1;
}

int TTransponder::FindServiceByNameSid(const TService &service, TService *&found) const
{
    for (int i = 0; i < m_services.count(); ++i) {
        TService *candidate = m_services.at(i);
        if (candidate->Name == service.Name && sameText(candidate->Sid, service.Sid)) {
            found = candidate;
            return i;
        }
    }
    found = nullptr;
    return -1;
}

int TTransponder::findEqualService(const TService &service, std::uint32_t keyHash)
{
    const int count = m_services.count();
    if (count < MergeTable::kScanBelow) {
        TService *found = nullptr;
        return FindService(service, false, true, true, found);
    }
    return m_mergeTable.find(
        count, mergeKeyHash(keyHash, service),
        [this](int i) {
            const TService &s = *m_services.at(i);
            return mergeKeyHash(serviceKeyHash(s), s);
        },
        [this](int i, int j) { return sameMergeKey(*m_services.at(i), *m_services.at(j)); },
        [&](int i) { return sameMergeKey(*m_services.at(i), service); });
}

void TTransponder::fileAppended(int index, std::uint32_t keyHash)
{
    const TService &added = *m_services.at(index);
    m_mergeTable.appended(mergeKeyHash(keyHash, added), index,
                          [&](int j) { return sameMergeKey(*m_services.at(j), added); });
}

void TTransponder::dropTables()
{
    m_mergeTable.reset();
}

int TTransponder::AddService(std::unique_ptr<TService> service, TService **inList)
{
    SaveHandler().SetModified(ModelChange::Adding);
    const std::uint32_t keyHash = serviceKeyHash(*service);
    int index = findEqualService(*service, keyHash);
    if (index >= 0) {
        // A repeated service keeps its first occurrence's fields.
        if (inList)
            *inList = m_services.at(index);
        return index;
    }
    if (inList)
        *inList = service.get();
    const QString key = service->Name;
    index = m_services.append(key, std::move(service));
    fileAppended(index, keyHash);
    return index;
}

int TTransponder::AddService(const TService &service)
{
    SaveHandler().SetModified(ModelChange::Adding);
    const int index = m_services.append(service.Name, service.Clone());
    fileAppended(index, serviceKeyHash(service));
    return index;
}

bool TTransponder::DeleteService(TService *service)
{
    SaveHandler().SetModified();
    dropTables();
    const int index = m_services.indexOf(service);
    if (index < 0)
        return false;
    m_services.removeAt(index);
    return true;
}

void TTransponder::MoveServicesTo(TTransponder &target)
{
    dropTables();
    auto services = m_services.releaseAll();
    for (auto it = services.rbegin(); it != services.rend(); ++it) {
        // The service leaves this transponder: links that named it here are stale.
        (*it)->UnlinkBouquetEntries();
        target.AddService(std::move(*it));
    }
    // The target keeps its table: a file that repeats a transponder once
    // often repeats it many times.
}

void TTransponder::UnmarkAll()
{
    m_services.forEach([](TService *s) { s->Marked = false; });
}

void TTransponder::ResetMatched()
{
    // Not a change to save, but searches that went on from where they
    // stopped must start over.
    NoteModelChange();
    m_services.forEach([](TService *s) { s->Matched = false; });
}

void TTransponder::UpdateClassAll()
{
    m_services.forEach([](TService *s) { s->UpdateClass(); });
}

void TTransponder::ClearBouquetNames()
{
    m_services.forEach([](TService *s) { s->ClearBouquetNames(); });
}

void TTransponder::MarkAll()
{
    m_services.forEach([](TService *s) { s->Marked = true; });
}

template <typename Pred>
int TTransponder::removeServices(Pred remove, bool markNeighbour)
{
    SaveHandler().SetModified();
    dropTables();
    const auto removal = m_services.removeIf(remove);
    if (markNeighbour)
        m_services.markSuccessor(removal, [](TService &s) { s.Marked = true; });
    return removal.removed;
}

int TTransponder::RemoveObsolete()
{
    return removeServices([](const TService &s) { return s.Obsolete; }, false);
}

int TTransponder::RemoveData()
{
    return removeServices([](const TService &s) { return s.IsData(); }, false);
}

int TTransponder::RemoveUnbouqueted(const QSet<TServiceKey> &inUse)
{
    return removeServices(
        [&](const TService &s) {
            return !s.IsInBouquet() && !inUse.contains(TServiceKey(s.Sid, Tsid, Onid));
        },
        false);
}

void TTransponder::DeleteMarked()
{
    removeServices([](const TService &s) { return s.Marked; }, true);
}
