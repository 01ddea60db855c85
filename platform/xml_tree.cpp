#include "platform/xml_tree.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Names of the nodes that are not elements take the first ids.
enum FixedName : quint32 { kTextName, kCommentName, kCDataName };

// Sizing guesses for a zapit file: about one element per 96 bytes, and
// attribute bytes of about half the file (the markup around them is not
// kept). A wrong guess only costs a realloc; the room left over is given
// back when the tree is finished.
constexpr qint64 kBytesPerNode = 96;
constexpr qint64 kBytesPerAttributeByte = 2;
// Beyond this the guesses are left to the buffers' own growth.
constexpr qint64 kMaxReservedInput = qint64(1) << 30;

// How XmlTree::number reads the numbers in an attribute's bytes: 7 bits a
// byte, low bits first, a set top bit when another byte follows.
constexpr quint32 kMoreBit = 0x80;

std::size_t numberSize(quint32 value)
{
    std::size_t size = 1;
    for (; value >= kMoreBit; value >>= 7)
        ++size;
    return size;
}

char *putNumber(char *out, quint32 value)
{
    for (; value >= kMoreBit; value >>= 7)
        *out++ = char((value & (kMoreBit - 1)) | kMoreBit);
    *out++ = char(value);
    return out;
}

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
    m_namePointers.push_back(stored.c_str());
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

quint32 XmlTree::longNumber(const char *&at)
{
    quint32 value = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = quint32(uchar(*at++));
        value |= (byte & (XmlTree::kMoreBit - 1)) << shift;
        if (byte < XmlTree::kMoreBit)
            return value;
    }
}

XmlTreeBuilder::XmlTreeBuilder(XmlTree &tree) : m_tree(tree)
{
    m_open.push_back({XmlTree::kNone, XmlTree::kNone});
}

void XmlTreeBuilder::expectBytes(qint64 size)
{
    size = std::min(size, kMaxReservedInput);
    m_tree.m_nodes.reserve(std::size_t(size / kBytesPerNode));
    m_tree.m_attributes.reserve(std::size_t(size / kBytesPerAttributeByte));
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
    const quint32 nameId = m_tree.intern(name);
    if (m_element == XmlTree::kNone || nameId == XmlTree::kNone)
        return false;
    auto &bytes = m_tree.m_attributes;
    if (value.size() >= XmlTree::kNone)
        return false;
    const std::size_t need = numberSize(nameId + 1) + numberSize(quint32(value.size()))
        + value.size() + 1;
    if (need >= XmlTree::kNone - bytes.size())
        return false;
    XmlTree::Node &element = m_tree.m_nodes[m_element];
    if (element.attributes == XmlTree::kNone)
        element.attributes = quint32(bytes.size());
    else
        bytes.pop_back(); // the end mark moves behind this attribute
    char *out = bytes.grow(need);
    out = putNumber(out, nameId + 1);
    out = putNumber(out, quint32(value.size()));
    std::memcpy(out, value.data(), value.size());
    out[value.size()] = 0;
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
    if (!flushRun())
        return false;
    // The tree is read beside what is built from it: no room is kept spare.
    m_tree.m_nodes.trim();
    m_tree.m_attributes.trim();
    return true;
}
