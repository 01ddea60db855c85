#pragma once

#include <QHash>
#include <QString>

// The id triple (service id, transport stream id, original network id) by
// which a bouquet entry names its service. Ids compare as upper-cased texts:
// "2ee3" is "2EE3", but "01" is not "0001" (the receiver compares text, so
// the widths must agree). Ids of up to four hex digits, nearly all of them,
// pack into one number that keeps their width.
class TServiceKey
{
public:
    TServiceKey(const QString &sid, const QString &tsid, const QString &onid);

    // Nearly every key is one number; callers that keep many keys can file
    // those apart from the rare textual ones.
    bool isPacked() const { return m_isPacked; }
    quint64 packed() const { return m_packed; }

    friend bool operator==(const TServiceKey &, const TServiceKey &) = default;
    friend size_t qHash(const TServiceKey &key, size_t seed = 0)
    {
        return key.m_isPacked ? qHash(key.m_packed, seed)
                              : qHashMulti(seed, key.m_sid, key.m_tsid, key.m_onid);
    }

private:
    quint64 m_packed = 0;
    bool m_isPacked = false;
    QString m_sid, m_tsid, m_onid; // upper-cased, only when not packed
};
