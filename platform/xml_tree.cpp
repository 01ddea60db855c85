#include "platform/xml_tree.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Names of the nodes that are not elements take the first ids.
enum FixedName : quint32 { kTextName, kCommentName, kCDataName };

// Sizing guesses for a zapit file: about one element per 64 bytes and one
// attribute per 16; long values take about a quarter of the file. Reserved
// pages that stay unused are never touched, so guessing high costs little.
constexpr qint64 kBytesPerNode = 64;
constexpr qint64 kBytesPerAttribute = 16;
constexpr qint64 kBytesPerValueByte = 4;
// Beyond this the guesses are left to the vectors' own growth.
constexpr qint64 kMaxReservedInput = qint64(1) << 30;

bool isBlank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

} // namespace

XmlTree::XmlTree()
{
    intern("#text");
    intern("#comment");
    intern("#cdata-section");
}

quint32 XmlTree::intern(std::string_view name)
{
    if (const auto found = m_nameIds.find(name); found != m_nameIds.end())
        return found->second;
    if (m_names.size() >= kNodeNameMask)
        return kNone;
    const auto id = quint32(m_names.size());
    const std::string &stored = m_names.emplace_back(name);
    m_nameIds.emplace(std::string_view(stored), id);
    return id;
}

quint32 XmlTree::documentElement() const
{
    for (quint32 node = m_nodes.empty() ? kNone : 0; node != kNone; node = nextSibling(node)) {
        if (kind(node) == Kind::Element)
            return node;
    }
    return kNone;
}

const char *XmlTree::attributeName(quint32 attribute) const
{
    return name(m_attributes[attribute].word & kAttributeNameMask);
}

std::string_view XmlTree::attributeValue(quint32 attribute) const
{
    const Attribute &a = m_attributes[attribute];
    if (a.word & kInlineValue)
        return std::string_view(a.value, strnlen(a.value, kInlineBytes));
    quint32 offset;
    std::memcpy(&offset, a.value, sizeof offset);
    return std::string_view(m_values.c_str() + offset);
}

quint32 XmlTree::nextAttribute(quint32 attribute) const
{
    const quint32 next = attribute + 1;
    if (next >= m_attributes.size() || (m_attributes[next].word & kFirstAttribute))
        return kNone;
    return next;
}

XmlTreeBuilder::XmlTreeBuilder(XmlTree &tree) : m_tree(tree)
{
    m_open.push_back({XmlTree::kNone, XmlTree::kNone});
}

void XmlTreeBuilder::expectBytes(qint64 size)
{
    size = std::min(size, kMaxReservedInput);
    m_tree.m_nodes.reserve(std::size_t(size / kBytesPerNode));
    m_tree.m_attributes.reserve(std::size_t(size / kBytesPerAttribute));
    m_tree.m_values.reserve(std::size_t(size / kBytesPerValueByte));
}

bool XmlTreeBuilder::append(XmlTree::Kind kind, quint32 nameId)
{
    auto &nodes = m_tree.m_nodes;
    if (nameId == XmlTree::kNone || nodes.size() >= XmlTree::kNone - 1)
        return false;
    const auto index = quint32(nodes.size());
    nodes.push_back({(quint32(kind) << XmlTree::kKindShift) | nameId, XmlTree::kNone,
                     XmlTree::kNone});
    Open &parent = m_open.back();
    if (parent.lastChild != XmlTree::kNone)
        nodes[parent.lastChild].next = index;
    else if (parent.node != XmlTree::kNone)
        nodes[parent.node].word |= XmlTree::kHasChildren;
    parent.lastChild = index;
    m_element = XmlTree::kNone;
    return true;
}

bool XmlTreeBuilder::flushRun()
{
    const Run run = std::exchange(m_run, Run::None);
    if (run == Run::CData)
        return append(XmlTree::Kind::CData, kCDataName);
    if (run == Run::Text && m_runHasContent)
        return append(XmlTree::Kind::Text, kTextName);
    return true;
}

bool XmlTreeBuilder::startElement(std::string_view name)
{
    if (!flushRun() || !append(XmlTree::Kind::Element, m_tree.intern(name)))
        return false;
    m_element = m_open.back().lastChild;
    m_open.push_back({m_element, XmlTree::kNone});
    return true;
}

bool XmlTreeBuilder::addAttribute(std::string_view name, std::string_view value)
{
    auto &attributes = m_tree.m_attributes;
    const quint32 nameId = m_tree.intern(name);
    if (m_element == XmlTree::kNone || nameId == XmlTree::kNone
        || attributes.size() >= XmlTree::kNone - 1)
        return false;
    XmlTree::Attribute attribute{nameId, {}};
    XmlTree::Node &element = m_tree.m_nodes[m_element];
    if (element.attributes == XmlTree::kNone) {
        element.attributes = quint32(attributes.size());
        attribute.word |= XmlTree::kFirstAttribute;
    }
    if (value.size() <= XmlTree::kInlineBytes) {
        attribute.word |= XmlTree::kInlineValue;
        std::copy(value.begin(), value.end(), attribute.value);
    } else {
        std::string &values = m_tree.m_values;
        if (values.size() + value.size() >= XmlTree::kNone)
            return false;
        const auto offset = quint32(values.size());
        std::memcpy(attribute.value, &offset, sizeof offset);
        values.append(value);
        values.push_back('\0');
    }
    attributes.push_back(attribute);
    return true;
}

bool XmlTreeBuilder::endElement()
{
    if (!flushRun())
        return false;
    m_element = XmlTree::kNone;
    if (m_open.size() > 1)
        m_open.pop_back();
    return true;
}

bool XmlTreeBuilder::characters(std::string_view text)
{
    if (m_run != Run::Text) {
        if (!flushRun())
            return false;
        m_run = Run::Text;
        m_runHasContent = false;
    }
    m_runHasContent = m_runHasContent || !isBlank(text);
    return true;
}

bool XmlTreeBuilder::cdata()
{
    if (m_run != Run::CData) {
        if (!flushRun())
            return false;
        m_run = Run::CData;
    }
    return true;
}

bool XmlTreeBuilder::comment()
{
    return flushRun() && append(XmlTree::Kind::Comment, kCommentName);
}

bool XmlTreeBuilder::processingInstruction(std::string_view target)
{
    return flushRun()
        && append(XmlTree::Kind::ProcessingInstruction, m_tree.intern(target));
}

bool XmlTreeBuilder::finish()
{
    return flushRun();
}
