#include "core/zapit/detect.h"

#include "platform/xml_document.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

namespace {

// A set of names as the document hands them out (pointers to NUL-terminated
// text), in one flat table with open addressing: no allocation per name, and
// no scan of the names seen so far, so a file of 200,000 distinct names costs
// little more per name than one of twenty. Policy says how to hash and
// compare two names.
template <typename Policy>
class FlatNameSet
{
public:
    // False when an equal name was there already.
    bool insert(const char *name)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            grow();
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = Policy::hash(name) & mask;; i = (i + 1) & mask) {
            if (!m_slots[i]) {
                m_slots[i] = name;
                ++m_count;
                return true;
            }
            if (Policy::equal(m_slots[i], name))
                return false;
        }
    }

private:
    static constexpr std::size_t kFirstSize = 64;

    void grow()
    {
        std::vector<const char *> old(std::max(kFirstSize, m_slots.size() * 2), nullptr);
        old.swap(m_slots);
        m_count = 0;
        for (const char *name : old) {
            if (name)
                insert(name);
        }
    }

    std::vector<const char *> m_slots;
    std::size_t m_count = 0;
};

struct SamePointer {
    static std::size_t hash(const char *name)
    {
        // Fibonacci hashing spreads the aligned addresses over the table.
        return std::size_t((quintptr(name) >> 3) * 0x9E3779B97F4A7C15ull >> 20);
    }
    static bool equal(const char *a, const char *b) { return a == b; }
};

struct SameText {
    static std::size_t hash(const char *name) { return std::hash<std::string_view>()(name); }
    static bool equal(const char *a, const char *b) { return std::strcmp(a, b) == 0; }
};

// The names seen so far. The parser hands out one pointer per distinct name,
// so a name is looked up by its pointer first and by its text only the first
// time that pointer comes by.
class NameCollector
{
public:
    explicit NameCollector(QStringList &names) : m_names(names)
    {
        m_given.reserve(std::size_t(names.size()));
        for (const QString &name : names) {
            m_given.push_back(name.toUtf8());
            m_texts.insert(m_given.back().constData());
        }
    }

    // `name` stays valid while the collection runs (it is the document's).
    void add(const char *name)
    {
        if (name[0] != '#' && m_pointers.insert(name) && m_texts.insert(name))
            m_names.append(QString::fromUtf8(name));
    }

private:
    QStringList &m_names;
    std::vector<QByteArray> m_given;
    FlatNameSet<SamePointer> m_pointers;
    FlatNameSet<SameText> m_texts;
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

// The names of the dialect's upper `levels` levels.
NameSets expectedNames(const DialectSpec &dialect, int levels)
{
    NameSets sets;
    for (int level = 0; level < levels; ++level) {
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

bool sameSets(const QStringList &elementNames, const QStringList &attributeNames,
              const NameSets &expected)
{
    return sameSet(elementNames, expected.elements) && sameSet(attributeNames, expected.attributes);
}

template <typename Match>
int firstMatching(ZapitKind kind, Match match)
{
    for (const DialectSpec &dialect : zapitDialects(kind)) {
        if (match(expectedNames(dialect, dialect.depth)))
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
        return sameSets(elementNames, attributeNames, expected);
    });
}

int DetectBouquetDialect(const QStringList &elementNames, const QStringList &attributeNames)
{
    return firstMatching(ZapitKind::Bouquets, [&](const NameSets &expected) {
        return sameSets(elementNames, attributeNames, expected);
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

ZapitDetection detectZapitFile(ZapitKind kind, const XmlNode &root, int preferred)
{
    QStringList elementNames;
    QStringList attributeNames;
    CollectNames(elementNames, attributeNames, root.firstChild());
    if (const int number = detectZapitDialect(kind, elementNames, attributeNames))
        return {number, findZapitDialect(kind, number)->depth};
    // Receivers and the writers alike name the root so; a foreign document
    // that happens to hold nothing is no empty list.
    if (std::strcmp(root.rawName(), "zapit") != 0)
        return {};
    // Without the deepest level the names must be exactly those of the
    // levels above it, for my-services files too: there is no service whose
    // names could show what the file is.
    ZapitDetection found;
    for (const DialectSpec &dialect : zapitDialects(kind)) {
        for (int levels = dialect.depth - 1; levels >= 0; --levels) {
            if (!sameSets(elementNames, attributeNames, expectedNames(dialect, levels)))
                continue;
            if (found.dialect == 0 || dialect.number == preferred)
                found = {dialect.number, levels};
            break;
        }
    }
    return found;
}
