#include "core/zapit/reader.h"

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "platform/xml_document.h"

#include <QHash>

#include <memory>

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
        m_values.insert(value, value);
        return value;
    }

private:
    static constexpr int kMaxPooledLength = 12;
    QHash<QString, QString> m_values;
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

class ServicesWalker
{
public:
    ServicesWalker(const DialectSpec &dialect, TServiceList &list)
        : m_dialect(dialect), m_list(list)
    {
    }

    quint8 walk(XmlNode node)
    {
        ++m_depth;
        for (; node; node = node.nextSibling()) {
            if (node.isComment())
                continue;
            if (m_depth > m_dialect.depth)
                return kReadTooDeep;
            if (const quint8 code = fillLevel(node); code != kReadComplete)
                return code;
            if (const quint8 code = walk(node.firstChild()); code != kReadComplete)
                return code;
            handOver();
        }
        --m_depth;
        return kReadComplete;
    }

private:
    const LevelSpec &level() const { return m_dialect.levels[std::size_t(m_depth - 1)]; }

    quint8 fillLevel(const XmlNode &node)
    {
        switch (m_depth) {
        case 1:
            m_satelite = std::make_unique<TSatelite>();
            return applyAttributes(level(), m_depth, node, *m_satelite, m_pool);
        case 2:
            m_transponder = std::make_unique<TTransponder>();
            return applyAttributes(level(), m_depth, node, *m_transponder, m_pool);
        default:
            m_service = std::make_unique<TService>();
            return applyAttributes(level(), m_depth, node, *m_service, m_pool);
        }
    }

    void handOver()
    {
        switch (m_depth) {
        case 1: m_list.AddSatelite(std::move(m_satelite)); break;
        case 2: m_satelite->AddTransponder(std::move(m_transponder)); break;
        default: m_transponder->AddService(std::move(m_service)); break;
        }
    }

    const DialectSpec &m_dialect;
    TServiceList &m_list;
    int m_depth = 0;
    ValuePool m_pool;
    std::unique_ptr<TSatelite> m_satelite;
    std::unique_ptr<TTransponder> m_transponder;
    std::unique_ptr<TService> m_service;
};

class BouquetsWalker
{
public:
    BouquetsWalker(const DialectSpec &dialect, TBouquetList &list)
        : m_dialect(dialect), m_list(list)
    {
    }

    quint8 walk(XmlNode node)
    {
        ++m_depth;
        for (; node; node = node.nextSibling()) {
            if (node.isComment())
                continue;
            if (m_depth > m_dialect.depth)
                return kReadTooDeep;
            if (const quint8 code = fillLevel(node); code != kReadComplete)
                return code;
            if (const quint8 code = walk(node.firstChild()); code != kReadComplete)
                return code;
            if (m_depth == 1)
                m_list.Add(std::move(m_bouquet));
            else
                m_bouquet->Add(std::move(m_entry));
        }
        --m_depth;
        return kReadComplete;
    }

private:
    quint8 fillLevel(const XmlNode &node)
    {
        const LevelSpec &level = m_dialect.levels[std::size_t(m_depth - 1)];
        if (m_depth == 1) {
            m_bouquet = std::make_unique<TBouquet>();
            return applyAttributes(level, m_depth, node, *m_bouquet, m_pool);
        }
        m_entry = std::make_unique<TBouquetService>();
        return applyAttributes(level, m_depth, node, *m_entry, m_pool);
    }

    const DialectSpec &m_dialect;
    TBouquetList &m_list;
    int m_depth = 0;
    ValuePool m_pool;
    std::unique_ptr<TBouquet> m_bouquet;
    std::unique_ptr<TBouquetService> m_entry;
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
    return ServicesWalker(dialect, list).walk(root.firstChild());
}

quint8 readZapitDocument(const DialectSpec &dialect, const XmlDocument &document,
                         TBouquetList &list)
{
    list.FormatName = zapitDialectDisplayName(dialect);
    const XmlNode root = document.documentElement();
    if (!root)
        return kReadComplete;
    return BouquetsWalker(dialect, list).walk(root.firstChild());
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
