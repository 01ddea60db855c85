#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class TBouquetService;

// The my-services action of an entry.
enum TServiceAction : int { saAdd = 0, saRemove = 1, saReplace = 2, saNone = 3 };

// One service (channel) of a transponder. Every channel field is the text
// read from the file and is written back unchanged; identifiers are hex
// texts in whatever case and width the file has.
class TService
{
public:
    TService();
    ~TService();
    TService(const TService &) = delete;
    TService &operator=(const TService &) = delete;

    // What linking reads of every service (the id's text and length, whether
    // it has bouquet names) comes first, so it mostly sits in one cache line.
    QString Sid = QStringLiteral("0000");
private:
    std::unique_ptr<QStringList> m_bouquetNames; // made with the first name
public:
    QString Name;
    bool Obsolete = false;
    bool Marked = false;
    bool Matched = false;
private:
    // Sits in the flags' padding: which shared type text the service has.
    quint8 m_typeSlot = 0;
public:
    int LogoIndex = 0;
    QString ChannelNr = QStringLiteral("0");

    // Texts most services leave empty live in a block of their own, made on
    // the first write: a receiver's list of 100,000 services stays small.
    const QString &Action() const { return extra().action; }
    const QString &MyAction() const { return extra().myAction; }
    const QString &Country() const { return extra().country; }
    const QString &Category() const { return extra().category; }
    const QString &Encryption() const { return extra().encryption; }
    const QString &Provider() const { return extra().provider; }
    void SetActionText(const QString &action) { setExtra(&Extra::action, action); }
    void SetMyAction(const QString &action) { setExtra(&Extra::myAction, action); }
    void SetCountry(const QString &country) { setExtra(&Extra::country, country); }
    void SetCategory(const QString &category) { setExtra(&Extra::category, category); }
    void SetEncryption(const QString &encryption) { setExtra(&Extra::encryption, encryption); }
    void SetProvider(const QString &provider) { setExtra(&Extra::provider, provider); }

    // Name, ids, country, category and encryption; no actions, flags or bouquets.
    std::unique_ptr<TService> Clone() const;

    const QString &GetServiceType() const
    {
        return m_typeSlot == kOwnTypeText ? m_extra->serviceType : sharedTypeText(m_typeSlot);
    }
    void SetServiceType(const QString &type);
    QString GetServiceTypeDec() const;
    QString GetSidDec() const;
    void SetSidDec(const QString &decimal);
    void SetWildcards();

    int GetAction() const;
    void SetAction(int action);
    bool IsActionAdd() const;
    bool IsActionRemove() const;
    bool IsActionReplace() const;

    // The type text read as a hexadecimal number: 1 TV, 2 radio, anything
    // else data. Obsolete services are none of the three; so is a type text
    // that is not hexadecimal.
    std::optional<quint32> TypeNumber() const;
    bool IsTv() const;
    bool IsRadio() const;
    bool IsData() const;
    void UpdateClass();

    int GetTypeIconIndex() const;
    int GetActionIconIndex() const;
    int GetMyActionIconIndex() const;

    // The names of the bouquets that hold the service (valid after linking):
    // sorted, no duplicates, compared ignoring case.
    const QStringList &BouquetNames() const;
    bool IsInBouquet() const { return m_bouquetNames && !m_bouquetNames->isEmpty(); }
    void AddBouquetName(const QString &name);
    void ClearBouquetNames()
    {
        // The list keeps its room (clear() does not free it): a relink
        // clears every service and gives most of them their names again.
        if (m_bouquetNames && !m_bouquetNames->isEmpty())
            m_bouquetNames->clear();
    }
    // What the grids show: the bouquet names joined by ",".
    QString BouquetNamesText() const;

    bool IsFilteredOut(bool showTv, bool showRadio, bool showData,
                       const QString &filterText) const;
    bool IsFilteredOutMy(bool showTv, bool showRadio, bool showData, bool showAnti,
                         bool showMy, bool showReplace, bool showObsolete,
                         const QString &filterText) const;

    // Bouquet entries linked to this service drop their links when it is
    // freed or moved elsewhere, so no entry ever points at a dead service.
    void UnlinkBouquetEntries();

private:
    friend class TBouquetService;

    struct Extra {
        QString action, myAction, country, category, encryption, provider;
        QString serviceType; // only when the type is not one of the shared texts
    };
    const Extra &extra() const;
    void setExtra(QString Extra::*field, const QString &value);

    // Type texts repeat ("01", "02"): services name one shared copy by its
    // slot, a byte where a pointer would make every service 16 bytes larger
    // in the allocator. A type that has no slot is kept in the extra block.
    static constexpr quint8 kOwnTypeText = 0xFF;
    static const QString &sharedTypeText(quint8 slot);

    std::unique_ptr<Extra> m_extra;
    // The bouquet entries linked to this service, chained through the entries.
    TBouquetService *m_firstLinkedEntry = nullptr;
};

// Whether an upper-cased name passes a grid filter text ("*", "?" masks).
bool nameMatchesFilter(const QString &name, const QString &filterText);

// The action icon of an action text: "add" 1, "remove" 2, "replace" 3, else 0.
int actionIconIndex(const QString &action);
