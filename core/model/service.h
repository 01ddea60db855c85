#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

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

    // What linking touches for every service comes first, in one cache line.
    QString Sid = QStringLiteral("0000");
    QString Name;
    QStringList BouquetNames; // sorted, no duplicates (case-insensitive)
    bool Obsolete = false;
    bool Marked = false;
    bool Matched = false;
    int LogoIndex = 0;
    QString Action;
    QString MyAction;
    QString ChannelNr = QStringLiteral("0");
    QString Country;
    QString Category;
    QString Encryption;
    QString Provider;

    // Name, ids, country, category and encryption; no actions, flags or bouquets.
    std::unique_ptr<TService> Clone() const;

    const QString &GetServiceType() const { return m_serviceType; }
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

    bool IsInBouquet() const { return !BouquetNames.isEmpty(); }
    void AddBouquetName(const QString &name);
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

    QString m_serviceType;
    std::vector<TBouquetService *> m_linkedEntries;
};

// Whether an upper-cased name passes a grid filter text ("*", "?" masks).
bool nameMatchesFilter(const QString &name, const QString &filterText);

// The action icon of an action text: "add" 1, "remove" 2, "replace" 3, else 0.
int actionIconIndex(const QString &action);
