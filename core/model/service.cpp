#include "core/model/service.h"

#include "core/model/bouquet_service.h"
#include "core/model/save_handler.h"
#include "core/util/number_text.h"
#include "core/util/str_utils.h"
#include "core/util/text_compare.h"

#include <algorithm>
#include <atomic>
#include <mutex>

// A large list holds a hundred thousand services. The allocator hands out
// 16-byte steps after an 8-byte header: 104 bytes take 112, one pointer more
// would take 128.
static_assert(sizeof(void *) != 8 || sizeof(TService) <= 104);

namespace {

// The shared copies of short type texts, published slot by slot: a slot once
// filled never changes, so readers need no lock. Bounded, so a file full of
// odd types cannot grow it without end; the rest are kept by their services.
// Never freed: services of any list may name them as long as the program runs.
class SharedTypeTexts
{
public:
    static constexpr qsizetype kMaxLength = 4;
    static constexpr int kSlots = 255; // one less than a byte holds: 0xFF is "none"

    SharedTypeTexts() { slotOf(QStringLiteral("00")); }

    const QString &text(quint8 slot) const { return *m_texts[slot].load(std::memory_order_acquire); }

    // The slot of an equal text, made when there is none; -1 when the text
    // is too long or every slot is taken.
    int slotOf(const QString &type)
    {
        if (type.size() > kMaxLength)
            return -1;
        // Lists hold a few dozen types at most: a scan beats hashing here.
        if (const int found = find(type, m_count.load(std::memory_order_acquire)); found >= 0)
            return found;
        std::lock_guard guard(m_lock);
        const int count = m_count.load(std::memory_order_relaxed);
        if (const int found = find(type, count); found >= 0)
            return found;
        if (count >= kSlots)
            return -1;
        m_texts[count].store(new QString(type), std::memory_order_release);
        m_count.store(count + 1, std::memory_order_release);
        return count;
    }

private:
    int find(const QString &type, int count) const
    {
        for (int slot = 0; slot < count; ++slot) {
            const QString &shared = *m_texts[slot].load(std::memory_order_acquire);
            if (shared.size() == type.size() && shared == type)
                return slot;
        }
        return -1;
    }

    std::atomic<const QString *> m_texts[kSlots] = {};
    std::atomic<int> m_count{0};
    std::mutex m_lock;
};

SharedTypeTexts &sharedTypeTexts()
{
    static auto *const texts = new SharedTypeTexts();
    return *texts;
}

const QStringList kNoBouquetNames;

} // namespace

TService::TService()
{
    // Slot 0 holds "00".
    UpdateClass();
}

const QString &TService::sharedTypeText(quint8 slot)
{
    return sharedTypeTexts().text(slot);
}

TService::~TService()
{
    UnlinkBouquetEntries();
}

const TService::Extra &TService::extra() const
{
    static const Extra kNone;
    return m_extra ? *m_extra : kNone;
}

void TService::setExtra(QString Extra::*field, const QString &value)
{
    if (!m_extra) {
        if (value.isEmpty())
            return;
        m_extra = std::make_unique<Extra>();
    }
    (*m_extra).*field = value;
}

std::unique_ptr<TService> TService::Clone() const
{
    auto clone = std::make_unique<TService>();
    clone->Name = Name;
    clone->Sid = Sid;
    clone->SetCountry(Country());
    clone->SetCategory(Category());
    clone->SetEncryption(Encryption());
    clone->SetServiceType(GetServiceType());
    return clone;
}

void TService::SetServiceType(const QString &type)
{
    const int slot = sharedTypeTexts().slotOf(type);
    if (slot >= 0) {
        m_typeSlot = quint8(slot);
        if (m_extra)
            m_extra->serviceType.clear();
    } else {
        if (!m_extra)
            m_extra = std::make_unique<Extra>();
        m_extra->serviceType = type;
        m_typeSlot = kOwnTypeText;
    }
    UpdateClass();
}

QString TService::GetServiceTypeDec() const
{
    return hexToDecText(GetServiceType());
}

QString TService::GetSidDec() const
{
    return hexToDecText(Sid);
}

void TService::SetSidDec(const QString &decimal)
{
    Sid = decToHexText(decimal);
}

void TService::SetWildcards()
{
    Name = QStringLiteral("*");
    Sid = QStringLiteral("*");
    SetServiceType(QStringLiteral("*"));
}

int TService::GetAction() const
{
    const QString &action = Action();
    if (action == u"add")
        return saAdd;
    if (action == u"remove")
        return saRemove;
    if (action == u"replace")
        return saReplace;
    return saNone;
}

void TService::SetAction(int action)
{
    SaveHandler().SetModified(ModelChange::KeptKeys);
    switch (action) {
    case saAdd: SetActionText(QStringLiteral("add")); break;
    case saRemove: SetActionText(QStringLiteral("remove")); break;
    case saReplace: SetActionText(QStringLiteral("replace")); break;
    default: SetActionText(QString());
    }
}

bool TService::IsActionAdd() const
{
    return sameText(Action(), u"add");
}

bool TService::IsActionRemove() const
{
    return sameText(Action(), u"remove");
}

bool TService::IsActionReplace() const
{
    return sameText(Action(), u"replace");
}

std::optional<quint32> TService::TypeNumber() const
{
    return hexTextValue(GetServiceType());
}

bool TService::IsTv() const
{
    return !Obsolete && TypeNumber() == 1u;
}

bool TService::IsRadio() const
{
    return !Obsolete && TypeNumber() == 2u;
}

bool TService::IsData() const
{
    const auto type = TypeNumber();
    return !Obsolete && type && *type != 1 && *type != 2;
}

void TService::UpdateClass()
{
    if (IsTv())
        LogoIndex = 1;
    else if (IsRadio())
        LogoIndex = 2;
    else if (IsData())
        LogoIndex = 3;
    else
        LogoIndex = 0;
}

int TService::GetTypeIconIndex() const
{
    if (Obsolete)
        return 3;
    if (IsTv())
        return 0;
    if (IsRadio())
        return 1;
    return 2;
}

int actionIconIndex(const QString &action)
{
    if (action == u"add")
        return 1;
    if (action == u"remove")
        return 2;
    if (action == u"replace")
        return 3;
    return 0;
}

int TService::GetActionIconIndex() const
{
    return actionIconIndex(Action());
}

int TService::GetMyActionIconIndex() const
{
    return actionIconIndex(MyAction());
}

const QStringList &TService::BouquetNames() const
{
    return m_bouquetNames ? *m_bouquetNames : kNoBouquetNames;
}

void TService::AddBouquetName(const QString &name)
{
    if (name.isEmpty())
        return;
    if (!m_bouquetNames)
        m_bouquetNames = std::make_unique<QStringList>();
    QStringList &names = *m_bouquetNames;
    const bool present = std::any_of(names.cbegin(), names.cend(),
                                     [&](const QString &n) { return sameText(n, name); });
    if (present)
        return;
    // The list is kept sorted, so the new name only needs its place.
    const auto at = std::upper_bound(names.begin(), names.end(), name,
                                     [](const QString &a, const QString &b) {
                                         return compareText(a, b) < 0;
                                     });
    names.insert(at, name);
}

QString TService::BouquetNamesText() const
{
    return BouquetNames().join(u',');
}

bool nameMatchesFilter(const QString &name, const QString &filterText)
{
    // "*" is what most refills run with: everything passes.
    if (!filterText.isEmpty()
        && std::all_of(filterText.cbegin(), filterText.cend(), [](QChar c) { return c == u'*'; }))
        return true;
    // One filter text serves a whole list: its upper case is made once.
    thread_local QString lastFilter;
    thread_local QString lastUpper;
    if (filterText != lastFilter) {
        lastFilter = filterText;
        lastUpper = upperText(filterText);
    }
    return matchesWildcardUpper(name, lastUpper);
}

bool TService::IsFilteredOut(bool showTv, bool showRadio, bool showData,
                             const QString &filterText) const
{
    if (!nameMatchesFilter(Name, filterText))
        return true;
    const bool shown = (IsTv() && showTv) || (IsRadio() && showRadio) || (IsData() && showData);
    return !shown;
}

bool TService::IsFilteredOutMy(bool showTv, bool showRadio, bool showData, bool showAnti,
                               bool showMy, bool showReplace, bool showObsolete,
                               const QString &filterText) const
{
    if (!nameMatchesFilter(Name, filterText))
        return true;
    const bool passesClass = (IsTv() && showTv) || (IsRadio() && showRadio)
        || (IsData() && showData) || (Obsolete && showObsolete);
    if (!passesClass)
        return true;
    if (Obsolete)
        return !showObsolete;
    if (IsActionAdd())
        return !showMy;
    if (IsActionReplace())
        return !showReplace;
    if (IsActionRemove())
        return !showAnti;
    return false;
}

void TService::UnlinkBouquetEntries()
{
    for (TBouquetService *entry = std::exchange(m_firstLinkedEntry, nullptr); entry;)
        entry = entry->forgetLinks();
}
