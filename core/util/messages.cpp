#include "core/util/messages.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <shared_mutex>

namespace {

struct CatalogueEntry {
    int id;
    const char *text; // UTF-8
};

constexpr CatalogueEntry kCatalogue[] = {
#define PELLORAN_MSG(name, id, text) {id, text},
#include "core/util/messages.def"
#undef PELLORAN_MSG
};

constexpr bool catalogueIdsInRange()
{
    for (const auto &e : kCatalogue) {
        if (e.id < kFirstMessageId || e.id > kLastMessageId)
            return false;
    }
    return true;
}
static_assert(catalogueIdsInRange(), "message ids must lie in 64944..65535");

constexpr bool catalogueIdsUnique()
{
    constexpr auto n = std::size(kCatalogue);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            if (kCatalogue[i].id == kCatalogue[j].id)
                return false;
    return true;
}
static_assert(catalogueIdsUnique(), "message ids must be unique");

struct TranslationSlot {
    std::shared_mutex lock;
    MessageTranslation translation;
};

TranslationSlot &translationSlot()
{
    static TranslationSlot slot;
    return slot;
}

QString replacePlaceholders(const QString &templ, const QString &arg1, const QString *arg2)
{
    QString result;
    result.reserve(templ.size() + arg1.size() + (arg2 ? arg2->size() : 0));
    const qsizetype n = templ.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = templ.at(i);
        if (c == u'%' && i + 1 < n) {
            const QChar d = templ.at(i + 1);
            if (d == u'1') {
                result += arg1;
                ++i;
                continue;
            }
            if (d == u'2' && arg2) {
                result += *arg2;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

} // namespace

QString builtinMessage(int id)
{
    const auto it = std::find_if(std::begin(kCatalogue), std::end(kCatalogue),
                                 [id](const CatalogueEntry &e) { return e.id == id; });
    return it == std::end(kCatalogue) ? QString() : QString::fromUtf8(it->text);
}

QList<int> builtinMessageIds()
{
    QList<int> ids;
    ids.reserve(std::size(kCatalogue));
    for (const auto &e : kCatalogue)
        ids.append(e.id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString msg(MsgId id)
{
    auto &slot = translationSlot();
    {
        std::shared_lock guard(slot.lock);
        if (slot.translation) {
            if (auto translated = slot.translation(id))
                return *translated;
        }
    }
    return builtinMessage(id);
}

void setMessageTranslation(MessageTranslation translation)
{
    auto &slot = translationSlot();
    std::unique_lock guard(slot.lock);
    slot.translation = std::move(translation);
}

QString FormatMsg1(const QString &templ, const QString &arg1)
{
    return replacePlaceholders(templ, arg1, nullptr);
}

QString FormatMsg2(const QString &templ, const QString &arg1, const QString &arg2)
{
    return replacePlaceholders(templ, arg1, &arg2);
}
