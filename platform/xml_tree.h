#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

// A growable array of plain values kept in one malloc block. Growing and the
// final trim go through realloc, which resizes a large block in place or by
// remapping its pages, so a big array is seldom held twice while it grows.
template <typename T>
class PodBuffer
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PodBuffer() = default;
    ~PodBuffer() { std::free(m_data); }
    PodBuffer(const PodBuffer &) = delete;
    PodBuffer &operator=(const PodBuffer &) = delete;

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    T &operator[](std::size_t i) { return m_data[i]; }
    const T &operator[](std::size_t i) const { return m_data[i]; }
    T &back() { return m_data[m_size - 1]; }
    const T *data() const { return m_data; }

    void reserve(std::size_t capacity)
    {
        if (capacity > m_capacity)
            resizeBlock(capacity);
    }
    void push_back(const T &value)
    {
        if (m_size == m_capacity)
            resizeBlock(m_capacity < 16 ? 16 : m_capacity + m_capacity / 2);
        m_data[m_size++] = value;
    }
    // Appends `count` values, left for the caller to fill; returns the first.
    T *grow(std::size_t count)
    {
        if (m_capacity - m_size < count)
            resizeBlock(std::max(m_size + count, m_capacity + m_capacity / 2));
        T *first = m_data + m_size;
        m_size += count;
        return first;
    }
    void pop_back() { --m_size; }
    // Gives back the room reserved beyond the values.
    void trim()
    {
        if (m_capacity > m_size && m_size > 0)
            resizeBlock(m_size);
    }

private:
    void resizeBlock(std::size_t capacity)
    {
        if (capacity > std::size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        void *block = std::realloc(m_data, capacity * sizeof(T));
        if (!block)
            throw std::bad_alloc();
        m_data = static_cast<T *>(block);
        m_capacity = capacity;
    }

    T *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

// The storage behind XmlDocument. A services file of 10 MB holds half a
// million elements and attributes, and the tree lives beside the list being
// read from it, so everything is packed: a node takes 12 bytes, every
// distinct name is stored once, and an element's attributes are one run of
// bytes - per attribute its name's number and the value's length (one byte
// each below 128) and the value itself - ended by a zero byte. A whole
// document is a handful of blocks, trimmed to size once it is read.
//
// Nodes are stored in document order, so an element's first child, when it
// has one, is the node right after it. An attribute is known by where its
// bytes start. The contents of text, comments and processing instructions
// are not kept: nothing reads them.
class XmlTree
{
public:
    static constexpr quint32 kNone = 0xFFFFFFFFu;
    enum class Kind : quint32 { Element, Text, Comment, CData, ProcessingInstruction };

    XmlTree();

    Kind kind(quint32 node) const { return Kind(m_nodes[node].word >> kKindShift); }
    bool hasChildren(quint32 node) const { return m_nodes[node].word & kHasChildren; }
    quint32 nextSibling(quint32 node) const { return m_nodes[node].next; }
    quint32 firstAttribute(quint32 node) const { return m_nodes[node].attributes; }
    const char *nodeName(quint32 node) const { return name(m_nodes[node].word & kNodeNameMask); }
    // The first element among the nodes outside the root, kNone when none.
    quint32 documentElement() const;
    quint32 nodeCount() const { return quint32(m_nodes.size()); }

    const char *attributeName(quint32 attribute) const { return name(record(attribute).nameId); }
    std::string_view attributeValue(quint32 attribute) const
    {
        const AttributeRecord r = record(attribute);
        return std::string_view(m_attributes.data() + r.valueStart, r.valueLength);
    }
    // kNone after an element's last attribute.
    quint32 nextAttribute(quint32 attribute) const
    {
        const AttributeRecord r = record(attribute);
        const quint32 next = r.valueStart + r.valueLength;
        return m_attributes[next] == 0 ? kNone : next;
    }

private:
    friend class XmlTreeBuilder;

    // Node word: kind in the top 3 bits, then the has-children flag, then the name.
    static constexpr int kKindShift = 29;
    static constexpr quint32 kHasChildren = 1u << 28;
    static constexpr quint32 kNodeNameMask = kHasChildren - 1;

    struct Node {
        quint32 word;
        quint32 next;
        quint32 attributes; // elements only: where the first one starts
    };
    static_assert(sizeof(Node) == 12);

    // One attribute's bytes, read from where they start.
    struct AttributeRecord {
        quint32 nameId;
        quint32 valueStart;
        quint32 valueLength;
    };
    AttributeRecord record(quint32 attribute) const
    {
        const char *const bytes = m_attributes.data();
        const char *at = bytes + attribute;
        // Name numbers are stored one up: a zero byte ends the element's attributes.
        const quint32 nameId = number(at) - 1;
        const quint32 length = number(at);
        return {nameId, quint32(at - bytes), length};
    }
    // The numbers in an attribute's bytes take 7 bits a byte, low bits
    // first; a set top bit means another byte follows.
    static constexpr quint32 kMoreBit = 0x80;
    static quint32 number(const char *&at)
    {
        const auto first = quint32(uchar(*at));
        if (first < kMoreBit) {
            ++at;
            return first;
        }
        return longNumber(at);
    }
    static quint32 longNumber(const char *&at);

    const char *name(quint32 id) const { return m_namePointers[id]; }
    // kNone when the table is full.
    quint32 intern(std::string_view name);

    PodBuffer<Node> m_nodes;
    PodBuffer<char> m_attributes;
    // A deque never moves its strings, so names and the views keyed on them stay put.
    std::deque<std::string> m_names;
    std::vector<const char *> m_namePointers;
    std::unordered_map<std::string_view, quint32> m_nameIds;
};

// Appends to an XmlTree in document order, as a parser reports the file.
// Character data is merged into one text node until the next markup, and
// dropped when it is only white space.
class XmlTreeBuilder
{
public:
    explicit XmlTreeBuilder(XmlTree &tree);

    // Sizes the buffers for a file of about this many bytes.
    void expectBytes(qint64 size);
    // The number of elements open.
    int depth() const { return int(m_open.size()) - 1; }

    // Each returns false when the tree outgrows its indexes.
    bool startElement(std::string_view name);
    bool addAttribute(std::string_view name, std::string_view value);
    bool endElement();
    bool characters(std::string_view text);
    bool cdata();
    bool comment();
    bool processingInstruction(std::string_view target);
    bool finish();

private:
    struct Open {
        quint32 node;
        quint32 lastChild;
    };
    enum class Run { None, Text, CData };

    bool flushRun();
    bool append(XmlTree::Kind kind, quint32 nameId);

    XmlTree &m_tree;
    std::vector<Open> m_open;
    quint32 m_element = XmlTree::kNone; // the element whose attributes come next
    Run m_run = Run::None;
    bool m_runHasContent = false;
};
