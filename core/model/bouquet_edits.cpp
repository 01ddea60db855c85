// Edits of the marked entries of a bouquet: moving, sorting, deleting.
#include "core/model/bouquet.h"

#include "core/model/marked_moves.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/transponder.h"
#include "core/util/text_compare.h"

void TBouquet::MoveMarkedTo(int targetRow, std::span<TBouquetService *const> order)
{
    SaveHandler().SetModified();
    // A drop below the last shown row lands at the end of the bouquet.
    moveMarkedToShownRow(m_services, std::max(targetRow, 0),
                         [](const TBouquetService &e) { return e.Shown; }, order);
}

void TBouquet::MoveMarkedUp(int steps)
{
    SaveHandler().SetModified();
    moveMarkedUp(m_services, steps, [](const TBouquetService &e) { return e.Shown; });
}

void TBouquet::MoveMarkedDown(int steps)
{
    SaveHandler().SetModified();
    moveMarkedDown(m_services, steps, [](const TBouquetService &e) { return e.Shown; });
}

void TBouquet::SortByName()
{
    SaveHandler().SetModified();
    m_services.sortByText();
}

void TBouquet::SortByFrequency()
{
    SaveHandler().SetModified();
    for (int i = 0; i < m_services.count(); ++i) {
        const TTransponder *tp = m_services.at(i)->Transponder();
        m_services.setKey(i, tp ? tp->Frequency : QStringLiteral("0"));
    }
    m_services.sortByText();
    for (int i = 0; i < m_services.count(); ++i)
        m_services.setKey(i, m_services.at(i)->Name);
}

void TBouquet::DeleteMarked()
{
    SaveHandler().SetModified();
    const auto removal = m_services.removeIf([](const TBouquetService &e) { return e.Marked; });
    m_services.markSuccessor(removal, [](TBouquetService &e) { e.Marked = true; });
}

template <typename Pred>
int TBouquet::removeEntries(Pred remove)
{
    SaveHandler().SetModified();
    return m_services.removeIf(remove).removed;
}

namespace {

// An entry no service stands behind.
bool isObsolete(const TBouquetService &entry)
{
    return entry.Service() == nullptr;
}

} // namespace

int TBouquet::RemoveObsolete()
{
    return removeEntries(isObsolete);
}

int TBouquet::ObsoleteCount() const
{
    int count = 0;
    for (int i = 0; i < Count(); ++i)
        count += isObsolete(*GetItem(i)) ? 1 : 0;
    return count;
}

int TBouquet::RemoveData()
{
    return removeEntries([](const TBouquetService &e) { return e.IsData(); });
}
