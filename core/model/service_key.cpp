#include "core/model/service_key.h"

#include "core/util/text_compare.h"

#include <optional>

namespace {

constexpr int kPackedDigits = 4;
constexpr int kBitsPerId = 19; // 16 value bits and 3 width bits

// "00aB" -> value 0xAB with width 4; nothing for texts that do not fit.
std::optional<quint64> packId(const QString &id)
{
    if (id.size() > kPackedDigits)
        return std::nullopt;
    quint64 value = 0;
    for (QChar c : id) {
        const char16_t u = c.unicode();
        int digit;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + quint64(digit);
    }
    return (value << 3) | quint64(id.size());
}

} // namespace

TServiceKey::TServiceKey(const QString &sid, const QString &tsid, const QString &onid)
{
    const auto a = packId(sid);
    const auto b = packId(tsid);
    const auto c = packId(onid);
    if (a && b && c) {
        m_packed = (*a << (2 * kBitsPerId)) | (*b << kBitsPerId) | *c;
        m_isPacked = true;
        return;
    }
    m_sid = upperText(sid);
    m_tsid = upperText(tsid);
    m_onid = upperText(onid);
}
