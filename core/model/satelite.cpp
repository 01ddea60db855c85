#include "core/model/satelite.h"

#include "core/model/save_handler.h"

#include <algorithm>

TTransponder *TSatelite::GetItem(int index) const
{
    return m_transponders.checkedAt(index);
}

void TSatelite::Clear()
{
    SaveHandler().SetModified();
    m_mergeTable.reset();
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

int TSatelite::findEqualTransponder(const TTransponder &templ, TTransponder *&transponder)
{
    const int count = m_transponders.count();
    if (count < MergeTable::kScanBelow)
        return FindTransponder(templ, false, transponder);
    const int index = m_mergeTable.find(
        count, transponderMatchHash(templ),
        [this](int i) { return transponderMatchHash(*m_transponders.at(i)); },
        [this](int i, int j) {
            return transponderMatches(*m_transponders.at(i), *m_transponders.at(j), false);
        },
        [&](int i) { return transponderMatches(*m_transponders.at(i), templ, false); });
    transponder = index >= 0 ? m_transponders.at(index) : nullptr;
    return index;
}

int TSatelite::appendOrMerge(std::unique_ptr<TTransponder> transponder, TTransponder **inList)
{
    // It is complete now; the table that helped fill it would only take room.
    transponder->dropMergeIndex();
    QString key = transponder->Frequency;
    const int index = m_transponders.appendOrMerge(
        std::move(key), std::move(transponder), inList,
        [this](const TTransponder &t, TTransponder *&found) {
            return findEqualTransponder(t, found);
        },
        [](TTransponder &given, TTransponder &existing) { given.MoveServicesTo(existing); });
    if (index == m_transponders.count() - 1) {
        const TTransponder &added = *m_transponders.at(index);
        m_mergeTable.appended(transponderMatchHash(added), index, [&](int j) {
            return transponderMatches(*m_transponders.at(j), added, false);
        });
    }
    return index;
}

int TSatelite::AddTransponder(std::unique_ptr<TTransponder> transponder, TTransponder **inList)
{
    SaveHandler().SetModified(ModelChange::Adding);
    return appendOrMerge(std::move(transponder), inList);
}

void TSatelite::AddTransponders(std::vector<std::unique_ptr<TTransponder>> transponders)
{
    SaveHandler().SetModified(ModelChange::Adding);
    for (auto &transponder : transponders)
        appendOrMerge(std::move(transponder), nullptr);
}

int TSatelite::AddTransponder(const TTransponder &transponder)
{
    SaveHandler().SetModified(ModelChange::Adding);
    const int index = m_transponders.append(transponder.Frequency, transponder.Clone());
    const TTransponder &added = *m_transponders.at(index);
    m_mergeTable.appended(transponderMatchHash(added), index, [&](int j) {
        return transponderMatches(*m_transponders.at(j), added, false);
    });
    return index;
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
    m_mergeTable.reset();
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

int TSatelite::RemoveUnbouqueted(const QSet<TServiceKey> &inUse)
{
    SaveHandler().SetModified();
    return m_transponders.sum([&](TTransponder &t) { return t.RemoveUnbouqueted(inUse); });
}

void TSatelite::DeleteMarked()
{
    SaveHandler().SetModified();
    m_transponders.forEach([](TTransponder *t) { t->DeleteMarked(); });
}
