#include "core/zapit/reader.h"

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "platform/xml_document.h"

#include <QSet>

#include <memory>
#include <utility>
#include <vector>

namespace {

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Attribute names are accepted in any case ("serviceID" where "serviceid" is
// listed). Only ASCII letters fold: the accepted names are ASCII.
bool sameNameIgnoringCase(const char *name, const char *accepted)
{
    for (; *name && *accepted; ++name, ++accepted) {
        if (asciiLower(*name) != asciiLower(*accepted))
            return false;
    }
    return *name == *accepted;
}

const AttributeSpec *acceptedAttribute(const LevelSpec &level, const char *name)
{
    for (const AttributeSpec &a : level.attributes) {
        if (sameNameIgnoringCase(name, a.name))
            return &a;
    }
    return nullptr;
}

quint8 unknownAttributeCode(int depth)
{
    return quint8(kReadUnknownAttributeLevel1 - (depth - 1));
}

// Short values repeat across a large file ("01", "0", "27500000"); one shared
// copy of each keeps a big list small.
class ValuePool
{
public:
    QString take(const QString &value)
    {
        if (value.size() > kMaxPooledLength)
            return value;
        auto it = m_values.constFind(value);
        if (it != m_values.constEnd())
            return *it;
        m_values.insert(value);
        return value;
    }

private:
    static constexpr int kMaxPooledLength = 12;
    QSet<QString> m_values;
};

template <typename Object>
quint8 applyAttributes(const LevelSpec &level, int depth, const XmlNode &node, Object &object,
                       ValuePool &pool)
{
    for (XmlAttribute a = node.firstAttribute(); a; a = a.next()) {
        const AttributeSpec *spec = acceptedAttribute(level, a.rawName());
        if (!spec)
            return unknownAttributeCode(depth);
        setZapitField(object, spec->field, pool.take(a.value()));
    }
    return kReadComplete;
}

// Walks the elements below the root in document order: each element fills a
// fresh object of its level, its children are read into it, then it is handed
// to its parent. Comments are skipped; an element below the deepest level of
// the dialect stops the walk.
template <typename Levels>
quint8 walkLevels(XmlNode node, int depth, Levels &levels)
{
    for (; node; node = node.nextSibling()) {
        if (node.isComment())
            continue;
        if (depth > levels.dialect.depth)
            return kReadTooDeep;
        const LevelSpec &level = levels.dialect.levels[std::size_t(depth - 1)];
        if (const quint8 code = levels.fill(depth, level, node); code != kReadComplete)
            return code;
        if (const quint8 code = walkLevels(node.firstChild(), depth + 1, levels);
            code != kReadComplete)
            return code;
        levels.handOver(depth);
    }
    return kReadComplete;
}

// Satellites, transponders and services, each added with merge after its children.
struct ServiceLevels {
    const DialectSpec &dialect;
    TServiceList &list;
    ValuePool pool;
    std::unique_ptr<TSatelite> satelite;
    // The satellite's transponders, added together when it is complete: one
    // at a time, each would be looked for among all read before it.
    std::vector<std::unique_ptr<TTransponder>> transponders;
    std::unique_ptr<TTransponder> transponder;
    std::unique_ptr<TService> service;

    quint8 fill(int depth, const LevelSpec &level, const XmlNode &node)
    {
        switch (depth) {
        case 1:
            satelite = std::make_unique<TSatelite>();
            return applyAttributes(level, depth, node, *satelite, pool);
        case 2:
            transponder = std::make_unique<TTransponder>();
            return applyAttributes(level, depth, node, *transponder, pool);
        default:
            service = std::make_unique<TService>();
            // The receiver takes a my-services channel that names no action
            // for an add, and does nothing with one whose action is empty
            // (action=""): only a channel without the attribute is an add.
            if (dialect.kind == ZapitKind::MyServices)
                service->SetActionText(QStringLiteral("add"));
            return applyAttributes(level, depth, node, *service, pool);
        }
    }

    void handOver(int depth)
    {
        switch (depth) {
        case 1:
            satelite->AddTransponders(std::exchange(transponders, {}));
            list.AddSatelite(std::move(satelite));
            break;
        case 2:
            transponder->dropMergeIndex();
            transponders.push_back(std::move(transponder));
            break;
        default: transponder->AddService(std::move(service)); break;
        }
    }
};

// Bouquets and their entries.
struct BouquetLevels {
    const DialectSpec &dialect;
    TBouquetList &list;
    ValuePool pool;
    std::unique_ptr<TBouquet> bouquet;
    std::unique_ptr<TBouquetService> entry;

    quint8 fill(int depth, const LevelSpec &level, const XmlNode &node)
    {
        if (depth == 1) {
            bouquet = std::make_unique<TBouquet>();
            return applyAttributes(level, depth, node, *bouquet, pool);
        }
        entry = std::make_unique<TBouquetService>();
        return applyAttributes(level, depth, node, *entry, pool);
    }

    void handOver(int depth)
    {
        if (depth == 1)
            list.Add(std::move(bouquet));
        else
            bouquet->Add(std::move(entry));
    }
};

quint8 readServices(ZapitKind kind, int number, const XmlDocument &document, TServiceList &list)
{
    return readZapitDocument(*findZapitDialect(kind, number), document, list);
}

quint8 readBouquets(int number, const XmlDocument &document, TBouquetList &list)
{
    return readZapitDocument(*findZapitDialect(ZapitKind::Bouquets, number), document, list);
}

} // namespace

quint8 readZapitDocument(const DialectSpec &dialect, const XmlDocument &document,
                         TServiceList &list)
{
    list.FormatName = zapitDialectDisplayName(dialect);
    const XmlNode root = document.documentElement();
    if (!root)
        return kReadComplete;
    ServiceLevels levels{dialect, list, {}, {}, {}, {}, {}};
    return walkLevels(root.firstChild(), 1, levels);
}

quint8 readZapitDocument(const DialectSpec &dialect, const XmlDocument &document,
                         TBouquetList &list)
{
    list.FormatName = zapitDialectDisplayName(dialect);
    const XmlNode root = document.documentElement();
    if (!root)
        return kReadComplete;
    BouquetLevels levels{dialect, list, {}, {}, {}};
    return walkLevels(root.firstChild(), 1, levels);
}

// clang-format off
quint8 ReadServicesType01(const XmlDocument &d, TServiceList &l) { return readServices(ZapitKind::Services, 1, d, l); }
quint8 ReadServicesType02(const XmlDocument &d, TServiceList &l) { return readServices(ZapitKind::Services, 2, d, l); }
quint8 ReadServicesType03(const XmlDocument &d, TServiceList &l) { return readServices(ZapitKind::Services, 3, d, l); }
quint8 ReadServicesType04(const XmlDocument &d, TServiceList &l) { return readServices(ZapitKind::Services, 4, d, l); }
quint8 ReadServicesType05(const XmlDocument &d, TServiceList &l) { return readServices(ZapitKind::Services, 5, d, l); }
quint8 ReadServicesType06(const XmlDocument &d, TServiceList &l) { return readServices(ZapitKind::Services, 6, d, l); }
quint8 ReadMyServicesType01(const XmlDocument &d, TServiceList &l) { return readServices(ZapitKind::MyServices, 1, d, l); }
quint8 ReadMyServicesType02(const XmlDocument &d, TServiceList &l) { return readServices(ZapitKind::MyServices, 2, d, l); }
quint8 ReadBouquetsType01(const XmlDocument &d, TBouquetList &l) { return readBouquets(1, d, l); }
quint8 ReadBouquetsType02(const XmlDocument &d, TBouquetList &l) { return readBouquets(2, d, l); }
quint8 ReadBouquetsType03(const XmlDocument &d, TBouquetList &l) { return readBouquets(3, d, l); }
quint8 ReadBouquetsType04(const XmlDocument &d, TBouquetList &l) { return readBouquets(4, d, l); }
// clang-format on
