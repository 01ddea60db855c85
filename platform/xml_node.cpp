#include "platform/xml_document.h"
#include "platform/xml_tree.h"

#include <cstring>

const char *XmlAttribute::rawName() const
{
    return m_tree->attributeName(m_index);
}

QString XmlAttribute::name() const
{
    return m_tree ? QString::fromUtf8(rawName()) : QString();
}

QString XmlAttribute::value() const
{
    if (!m_tree)
        return QString();
    const std::string_view value = m_tree->attributeValue(m_index);
    // An empty value is an empty string, not a null one: the attribute is there.
    if (value.empty())
        return QString(QLatin1String(""));
    QString text = QString::fromUtf8(value.data(), qsizetype(value.size()));
    // The conversion keeps room for one character per byte; a Cyrillic name
    // would carry twice its size for as long as the list it goes into lives.
    // Giving the rest back shrinks the block where it is.
    if (text.capacity() > text.size())
        text.squeeze();
    return text;
}

XmlAttribute XmlAttribute::next() const
{
    const quint32 next = m_tree ? m_tree->nextAttribute(m_index) : XmlTree::kNone;
    return next == XmlTree::kNone ? XmlAttribute() : XmlAttribute(m_tree, next);
}

XmlNode XmlNode::at(const XmlTree *tree, quint32 index)
{
    return index == XmlTree::kNone ? XmlNode() : XmlNode(tree, index);
}

bool XmlNode::isElement() const
{
    return m_tree && m_tree->kind(m_index) == XmlTree::Kind::Element;
}

bool XmlNode::isComment() const
{
    return m_tree && m_tree->kind(m_index) == XmlTree::Kind::Comment;
}

const char *XmlNode::rawName() const
{
    return m_tree->nodeName(m_index);
}

QString XmlNode::name() const
{
    return m_tree ? QString::fromUtf8(rawName()) : QString();
}

XmlNode XmlNode::firstChild() const
{
    return m_tree && m_tree->hasChildren(m_index) ? XmlNode(m_tree, m_index + 1) : XmlNode();
}

XmlNode XmlNode::nextSibling() const
{
    return m_tree ? at(m_tree, m_tree->nextSibling(m_index)) : XmlNode();
}

XmlAttribute XmlNode::firstAttribute() const
{
    if (!isElement())
        return XmlAttribute();
    const quint32 first = m_tree->firstAttribute(m_index);
    return first == XmlTree::kNone ? XmlAttribute() : XmlAttribute(m_tree, first);
}

QString XmlNode::attribute(const char *name) const
{
    for (XmlAttribute a = firstAttribute(); a; a = a.next()) {
        if (std::strcmp(a.rawName(), name) == 0)
            return a.value();
    }
    return QString();
}

bool XmlNode::hasAttribute(const char *name) const
{
    for (XmlAttribute a = firstAttribute(); a; a = a.next()) {
        if (std::strcmp(a.rawName(), name) == 0)
            return true;
    }
    return false;
}
