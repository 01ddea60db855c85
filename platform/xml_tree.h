#pragma once

#include <QtGlobal>

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The storage behind XmlDocument. A services file of 10 MB holds half a
// million elements and attributes, so everything is packed: a node takes 12
// bytes, an attribute 8, every distinct name is stored once, and attribute
// values share one byte buffer, except values of up to 4 bytes (most ids,
// flags and numbers), which sit in the attribute itself. A whole document is
// a handful of large blocks, cheap to free.
//
// Nodes are stored in document order, so an element's first child, when it
// has one, is the node right after it; an element's attributes are stored
// one after another. The contents of text, comments and processing
// instructions are not kept: nothing reads them.
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

    const char *attributeName(quint32 attribute) const;
    std::string_view attributeValue(quint32 attribute) const;
    // kNone after an element's last attribute.
    quint32 nextAttribute(quint32 attribute) const;

private:
    friend class XmlTreeBuilder;

    // Node word: kind in the top 3 bits, then the has-children flag, then the name.
    static constexpr int kKindShift = 29;
    static constexpr quint32 kHasChildren = 1u << 28;
    static constexpr quint32 kNodeNameMask = kHasChildren - 1;
    // Attribute word: first-of-its-element flag, inline-value flag, then the name.
    static constexpr quint32 kFirstAttribute = 1u << 31;
    static constexpr quint32 kInlineValue = 1u << 30;
    static constexpr quint32 kAttributeNameMask = kInlineValue - 1;
    static constexpr std::size_t kInlineBytes = 4;

    struct Node {
        quint32 word;
        quint32 next;
        quint32 attributes; // elements only
    };
    struct Attribute {
        quint32 word;
        // An offset into m_values, or up to kInlineBytes value bytes padded with NULs.
        char value[kInlineBytes];
    };
    static_assert(sizeof(Node) == 12 && sizeof(Attribute) == 8);

    const char *name(quint32 id) const { return m_names[id].c_str(); }
    // kNone when the table is full.
    quint32 intern(std::string_view name);

    std::vector<Node> m_nodes;
    std::vector<Attribute> m_attributes;
    // Attribute values longer than kInlineBytes, each followed by a NUL.
    std::string m_values;
    // A deque never moves its strings, so names and the views keyed on them stay put.
    std::deque<std::string> m_names;
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
