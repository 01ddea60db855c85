#include "core/zapit/detect.h"

#include "platform/xml_document.h"

#include <cstring>
#include <vector>

namespace {

// The names seen so far. The parser hands out one pointer per distinct name,
// so a pointer comparison settles most look-ups before any text is compared.
class NameCollector
{
public:
    explicit NameCollector(QStringList &names) : m_names(names)
    {
        for (const QString &name : names)
            m_seen.push_back({nullptr, name.toUtf8()});
    }

    void add(const char *name)
    {
        if (name[0] == '#')
            return;
        for (const Seen &s : m_seen) {
            if (s.pointer == name)
                return;
        }
        for (Seen &s : m_seen) {
            if (std::strcmp(s.text.constData(), name) == 0) {
                s.pointer = name;
                return;
            }
        }
        m_seen.push_back({name, QByteArray(name)});
        m_names.append(QString::fromUtf8(name));
    }

private:
    struct Seen {
        const char *pointer;
        QByteArray text;
    };
    QStringList &m_names;
    std::vector<Seen> m_seen;
};

void collect(NameCollector &elements, NameCollector &attributes, XmlNode node)
{
    for (; node; node = node.nextSibling()) {
        elements.add(node.rawName());
        for (XmlAttribute a = node.firstAttribute(); a; a = a.next())
            attributes.add(a.rawName());
        collect(elements, attributes, node.firstChild());
    }
}

struct NameSets {
    QStringList elements;
    QStringList attributes;
};

NameSets expectedNames(const DialectSpec &dialect)
{
    NameSets sets;
    for (int level = 0; level < dialect.depth; ++level) {
        const LevelSpec &spec = dialect.levels[std::size_t(level)];
        const QString element = QString::fromLatin1(spec.element);
        if (!sets.elements.contains(element))
            sets.elements.append(element);
        for (const AttributeSpec &a : spec.attributes) {
            const QString name = QString::fromLatin1(a.name);
            if (!sets.attributes.contains(name))
                sets.attributes.append(name);
        }
    }
    return sets;
}

bool containsAll(const QStringList &collected, const QStringList &expected)
{
    for (const QString &name : expected) {
        if (!collected.contains(name, Qt::CaseSensitive))
            return false;
    }
    return true;
}

// The collected lists hold distinct names, so equal sets means: all expected
// names present and nothing else.
bool sameSet(const QStringList &collected, const QStringList &expected)
{
    return collected.size() == expected.size() && containsAll(collected, expected);
}

template <typename Match>
int firstMatching(ZapitKind kind, Match match)
{
    for (const DialectSpec &dialect : zapitDialects(kind)) {
        if (match(expectedNames(dialect)))
            return dialect.number;
    }
    return 0;
}

} // namespace

void CollectNames(QStringList &elementNames, QStringList &attributeNames, const XmlNode &first)
{
    NameCollector elements(elementNames);
    NameCollector attributes(attributeNames);
    collect(elements, attributes, first);
}

int DetectServicesDialect(const QStringList &elementNames, const QStringList &attributeNames)
{
    return firstMatching(ZapitKind::Services, [&](const NameSets &expected) {
        return sameSet(elementNames, expected.elements)
            && sameSet(attributeNames, expected.attributes);
    });
}

int DetectBouquetDialect(const QStringList &elementNames, const QStringList &attributeNames)
{
    return firstMatching(ZapitKind::Bouquets, [&](const NameSets &expected) {
        return sameSet(elementNames, expected.elements)
            && sameSet(attributeNames, expected.attributes);
    });
}

int DetectMyServicesDialect(const QStringList &elementNames, const QStringList &attributeNames)
{
    return firstMatching(ZapitKind::MyServices, [&](const NameSets &expected) {
        return containsAll(elementNames, expected.elements)
            && containsAll(attributeNames, expected.attributes);
    });
}

int detectZapitDialect(ZapitKind kind, const QStringList &elementNames,
                       const QStringList &attributeNames)
{
    switch (kind) {
    case ZapitKind::Services: return DetectServicesDialect(elementNames, attributeNames);
    case ZapitKind::MyServices: return DetectMyServicesDialect(elementNames, attributeNames);
    case ZapitKind::Bouquets: return DetectBouquetDialect(elementNames, attributeNames);
    }
    return 0;
}
