#pragma once

#include <QString>

#include <memory>

class TService;
class TTransponder;
class TSatelite;
class TServiceList;

// How a bouquet entry is linked: into the my-services list, the services
// list, or not at all (obsolete).
enum TLinkState : int { lsServices = 0, lsMyServices = 1, lsUnresolved = 2 };

// One entry of a bouquet. It names a service by its identifiers; linking
// resolves it to the service (with transponder and satellite) of the
// my-services or services list that carries the same ids.
class TBouquetService
{
public:
    TBouquetService() = default;
    ~TBouquetService();
    TBouquetService(const TBouquetService &) = delete;
    TBouquetService &operator=(const TBouquetService &) = delete;

    QString Name;
    QString Sid = QStringLiteral("00");
    QString Tsid = QStringLiteral("00");
    QString Onid = QStringLiteral("00");
    QString Position = QStringLiteral("0");
    bool Moved = false;
    bool Marked = false;
    bool Shown = false;
    // What the user chose of this entry in the bouquet grid when they left
    // its bouquet (TBouquet::KeptChoice): kept on the entry itself, so that it
    // goes when the entry goes and no later entry can inherit it.
    enum TKeptChoice : unsigned char { kcChosen = 1, kcCurrent = 2, kcTop = 4 };
    unsigned char KeptChoice = 0;
    int LinkState = lsUnresolved;

    TService *Service() const { return m_service; }
    TTransponder *Transponder() const { return m_transponder; }
    TSatelite *Satelite() const { return m_satelite; }
    // Links all three (or, with a null service, none).
    void SetLinks(TService *service, TTransponder *transponder, TSatelite *satelite);

    void AssignTo(TBouquetService &target) const;
    std::unique_ptr<TBouquetService> Clone() const;
    void UpdateFromLinks();

    bool Resolve(const TServiceList &serviceList, const TServiceList &myServiceList,
                 const QString &bouquetName);

    // Where a service was found (all null when not).
    struct Target {
        TService *service = nullptr;
        TTransponder *transponder = nullptr;
        TSatelite *satelite = nullptr;
    };
    // Links to the my-services target if there is one, else to the services
    // target; true when linked.
    bool ResolveFound(const Target &inServices, const Target &inMyServices,
                 const QString &bouquetName);

    int GetTypeIconIndex() const;
    // The linked service's type read as a number, like the service's own
    // tests, but an obsolete my-services entry still counts by its type.
    bool IsTv() const;
    bool IsRadio() const;
    bool IsData() const;
    bool IsFilteredOut(bool showTv, bool showRadio, bool showData, bool showObsolete,
                       const QString &filterText) const;

    int RelinkByTemplate(TServiceList &serviceList);

private:
    friend class TService;
    // The linked service is going away; returns the next entry of its chain.
    TBouquetService *forgetLinks();
    void linkTo(const Target &target, TLinkState state, const QString &bouquetName);

    TService *m_service = nullptr;
    TTransponder *m_transponder = nullptr;
    TSatelite *m_satelite = nullptr;
    // The next entry linked to the same service, and the pointer that points
    // at this entry (the service's first link or the previous entry's next).
    TBouquetService *m_nextOnService = nullptr;
    TBouquetService **m_linkToThis = nullptr;
};
