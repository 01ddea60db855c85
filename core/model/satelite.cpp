#include "core/model/satelite.h"

#include "core/model/save_handler.h"

#include <algorithm>

namespace {

constexpr std::size_t kTransponderTableFrom = 3;

} // namespace

TTransponder *TSatelite::GetItem(int index) const
{
    return m_transponders.checkedAt(index);
}

void TSatelite::Clear()
{
    SaveHandler().SetModified();
    m_transponders.clear();
}

std::unique_ptr<TSatelite> TSatelite::Clone() const
{
    auto clone = std::make_unique<TSatelite>();
    clone->Name = Name;
    clone->Diseqc = Diseqc;
    clone->Position = Position;
    return clone;
}

void TSatelite::SetWildcards()
{
    Name = QStringLiteral("*");
    Diseqc = QStringLiteral("*");
}

int TSatelite::FindTransponder(const TTransponder &templ, bool useWildcards,
                               TTransponder *&transponder) const
{
    for (int i = 0; i < m_transponders.count(); ++i) {
        if (transponderMatches(*m_transponders.at(i), templ, useWildcards)) {
            transponder = m_transponders.at(i);
            return i;
        }
    }
    transponder = nullptr;
    return -1;
}

int TSatelite::AddTransponder(std::unique_ptr<TTransponder> transponder, TTransponder **inList)
{
    SaveHandler().SetModified();
    // It is complete now; the table that helped fill it would only take room.
    transponder->dropMergeIndex();
    QString key = transponder->Frequency;
    return m_transponders.appendOrMerge(
        std::move(key), std::move(transponder), inList,
        [this](const TTransponder &t, TTransponder *&found) {
            return FindTransponder(t, false, found);
        },
        [](TTransponder &given, TTransponder &existing) { given.MoveServicesTo(existing); });
}

void TSatelite::AddTransponders(std::vector<std::unique_ptr<TTransponder>> transponders)
{
    // The table costs about three scans of the transponders already here: a
    // repeated satellite of one or two is merged quicker by scan.
    if (transponders.size() < kTransponderTableFrom) {
        for (auto &transponder : transponders)
            AddTransponder(std::move(transponder));
        return;
    }
    SaveHandler().SetModified();
    const auto sameAs = [this](const TTransponder &t) {
        return [this, &t](int j) { return transponderMatches(*m_transponders.at(j), t, false); };
    };
    // Filed under the first of equal ones, as FindTransponder finds it.
    FirstMatchIndex index;
    index.reserve(std::size_t(m_transponders.count()) + transponders.size());
    for (int i = 0; i < m_transponders.count(); ++i) {
        const TTransponder &t = *m_transponders.at(i);
        index.insert(transponderMatchHash(t), i, sameAs(t));
    }
    for (auto &transponder : transponders) {
        transponder->dropMergeIndex();
        // Filed at the index it gets when appended, unless an equal one is there.
        const int end = m_transponders.count();
        const int filed = index.insert(transponderMatchHash(*transponder), end, sameAs(*transponder));
        if (filed < end) {
            transponder->MoveServicesTo(*m_transponders.at(filed));
            continue;
        }
        QString key = transponder->Frequency;
        m_transponders.append(std::move(key), std::move(transponder));
    }
}

int TSatelite::AddTransponder(const TTransponder &transponder)
{
    SaveHandler().SetModified();
    return m_transponders.append(transponder.Frequency, transponder.Clone());
}

int TSatelite::FindServiceExact(const TService &service, const TTransponder &transponder,
                                bool compareName, bool compareType, TService *&found) const
{
    TTransponder *own = nullptr;
    if (FindTransponder(transponder, false, own) < 0) {
        found = nullptr;
        return -1;
    }
    return own->FindService(service, false, compareName, compareType, found);
}

int TSatelite::FindServiceByNameSid(const TService &service, TService *&found) const
{
    for (int i = 0; i < m_transponders.count(); ++i) {
        const int index = m_transponders.at(i)->FindServiceByNameSid(service, found);
        if (index >= 0)
            return index;
    }
    found = nullptr;
    return -1;
}

void TSatelite::MoveTranspondersTo(TSatelite &target)
{
    auto transponders = m_transponders.releaseAll();
    // From the last to the first: a file that repeats a satellite must load
    // into the same list, in the same order, as it always has.
    std::reverse(transponders.begin(), transponders.end());
    for (const auto &transponder : transponders) {
        // Its services now sit on another satellite: links naming this one are stale.
        transponder->forEachService([](TService *s) { s->UnlinkBouquetEntries(); });
    }
    target.AddTransponders(std::move(transponders));
}

void TSatelite::UnmarkAll()
{
    m_transponders.forEach([](TTransponder *t) { t->UnmarkAll(); });
}

void TSatelite::ResetMatched()
{
    m_transponders.forEach([](TTransponder *t) { t->ResetMatched(); });
}

void TSatelite::UpdateClassAll()
{
    m_transponders.forEach([](TTransponder *t) { t->UpdateClassAll(); });
}

void TSatelite::ClearBouquetNames()
{
    m_transponders.forEach([](TTransponder *t) { t->ClearBouquetNames(); });
}

void TSatelite::MarkAll()
{
    m_transponders.forEach([](TTransponder *t) { t->MarkAll(); });
}

int TSatelite::RemoveObsolete()
{
    SaveHandler().SetModified();
    return m_transponders.sum([](TTransponder &t) { return t.RemoveObsolete(); });
}

int TSatelite::RemoveData()
{
    SaveHandler().SetModified();
    return m_transponders.sum([](TTransponder &t) { return t.RemoveData(); });
}

int TSatelite::RemoveUnbouqueted()
{
    SaveHandler().SetModified();
    return m_transponders.sum([](TTransponder &t) { return t.RemoveUnbouqueted(); });
}

void TSatelite::DeleteMarked()
{
    SaveHandler().SetModified();
    m_transponders.forEach([](TTransponder *t) { t->DeleteMarked(); });
}
