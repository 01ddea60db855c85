#include "platform/xml_document.h"

#include <QFile>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/dict.h>

#include <cstring>
#include <limits>
#include <vector>

namespace {

struct ParserContextDeleter {
    void operator()(xmlParserCtxt *ctxt) const noexcept { xmlFreeParserCtxt(ctxt); }
};
using ParserContext = std::unique_ptr<xmlParserCtxt, ParserContextDeleter>;

struct XmlCharDeleter {
    void operator()(xmlChar *text) const noexcept { xmlFree(text); }
};
using XmlText = std::unique_ptr<xmlChar, XmlCharDeleter>;

// No network, no DTD, no entity substitution; errors are collected, not printed.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING
    | XML_PARSE_NOBLANKS | XML_PARSE_COMPACT;

bool isBlankText(const xmlNode *node)
{
    if (node->type != XML_TEXT_NODE)
        return false;
    for (const xmlChar *p = node->content; p && *p; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            return false;
    }
    return true;
}

xmlNode *skipBlanks(xmlNode *node)
{
    while (node && isBlankText(node))
        node = node->next;
    return node;
}

QString parserMessage(const xmlError *error)
{
    if (!error || !error->message)
        return QStringLiteral("The document could not be parsed.");
    QString text = QString::fromUtf8(error->message).trimmed();
    if (error->line > 0)
        text += QStringLiteral(" (line %1, column %2)").arg(error->line).arg(error->int2);
    return text;
}

// libxml2 files a prefixed name under its local part; the readers compare
// names exactly as written, so "x:sat" must not pass for "sat".
void restoreQualifiedName(xmlDoc *doc, const xmlChar *&name, xmlNs *&ns)
{
    if (!ns || !ns->prefix)
        return;
    const QByteArray qualified = QByteArray(reinterpret_cast<const char *>(ns->prefix)) + ':'
        + reinterpret_cast<const char *>(name);
    const auto *bytes = reinterpret_cast<const xmlChar *>(qualified.constData());
    // A dictionary name is released with the dictionary; xmlFreeDoc knows.
    const xmlChar *replacement = doc->dict ? xmlDictLookup(doc->dict, bytes, -1) : xmlStrdup(bytes);
    if (!doc->dict || !xmlDictOwns(doc->dict, name))
        xmlFree(const_cast<xmlChar *>(name));
    name = replacement;
    ns = nullptr;
}

// One pass over the tree: bounds the nesting and writes qualified names back.
bool normaliseTree(xmlDoc *doc, QString &error)
{
    struct Level {
        xmlNode *node;
        int depth;
    };
    std::vector<Level> pending;
    pending.push_back({xmlDocGetRootElement(doc), 1});
    while (!pending.empty()) {
        const Level level = pending.back();
        pending.pop_back();
        for (xmlNode *node = level.node; node; node = node->next) {
            if (node->type != XML_ELEMENT_NODE)
                continue;
            if (level.depth > kMaxXmlDepth) {
                error = QStringLiteral("Elements are nested deeper than %1 levels (line %2).")
                            .arg(kMaxXmlDepth)
                            .arg(xmlGetLineNo(node));
                return false;
            }
            restoreQualifiedName(doc, node->name, node->ns);
            for (xmlAttr *attr = node->properties; attr; attr = attr->next)
                restoreQualifiedName(doc, attr->name, attr->ns);
            if (node->children)
                pending.push_back({node->children, level.depth + 1});
        }
    }
    return true;
}

} // namespace

const char *XmlAttribute::rawName() const
{
    return reinterpret_cast<const char *>(m_attr->name);
}

QString XmlAttribute::name() const
{
    return m_attr ? QString::fromUtf8(rawName()) : QString();
}

QString XmlAttribute::value() const
{
    if (!m_attr)
        return QString();
    const xmlNode *child = m_attr->children;
    // The common case: one text node, read in place.
    if (child && !child->next && child->type == XML_TEXT_NODE)
        return QString::fromUtf8(reinterpret_cast<const char *>(child->content));
    XmlText text(xmlNodeListGetString(m_attr->doc, m_attr->children, 1));
    return QString::fromUtf8(reinterpret_cast<const char *>(text.get()));
}

XmlAttribute XmlAttribute::next() const
{
    return XmlAttribute(m_attr ? m_attr->next : nullptr);
}

bool XmlNode::isElement() const
{
    return m_node && m_node->type == XML_ELEMENT_NODE;
}

bool XmlNode::isComment() const
{
    return m_node && m_node->type == XML_COMMENT_NODE;
}

const char *XmlNode::rawName() const
{
    switch (m_node->type) {
    case XML_ELEMENT_NODE:
    case XML_PI_NODE:
    case XML_ENTITY_REF_NODE:
        return reinterpret_cast<const char *>(m_node->name);
    case XML_TEXT_NODE: return "#text";
    case XML_COMMENT_NODE: return "#comment";
    case XML_CDATA_SECTION_NODE: return "#cdata-section";
    default: return "#node";
    }
}

QString XmlNode::name() const
{
    return m_node ? QString::fromUtf8(rawName()) : QString();
}

XmlNode XmlNode::firstChild() const
{
    return XmlNode(m_node ? skipBlanks(m_node->children) : nullptr);
}

XmlNode XmlNode::nextSibling() const
{
    return XmlNode(m_node ? skipBlanks(m_node->next) : nullptr);
}

XmlAttribute XmlNode::firstAttribute() const
{
    return XmlAttribute(isElement() ? m_node->properties : nullptr);
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

void XmlDocument::DocDeleter::operator()(_xmlDoc *doc) const noexcept
{
    xmlFreeDoc(doc);
}

XmlDocument::XmlDocument()
{
    xmlInitParser();
}

XmlDocument::~XmlDocument() = default;

void XmlDocument::clear()
{
    m_doc.reset();
    m_error.clear();
}

bool XmlDocument::loadFile(const QString &fileName)
{
    clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return false;
    }
    return loadData(file.readAll());
}

bool XmlDocument::loadData(const QByteArray &data)
{
    clear();
    if (data.size() > std::numeric_limits<int>::max()) {
        m_error = QStringLiteral("The file is too large.");
        return false;
    }
    ParserContext ctxt(xmlNewParserCtxt());
    if (!ctxt) {
        m_error = QStringLiteral("The XML parser could not be created.");
        return false;
    }
    m_doc.reset(xmlCtxtReadMemory(ctxt.get(), data.constData(), int(data.size()), nullptr,
                                  nullptr, kParseOptions));
    if (!m_doc || !ctxt->wellFormed) {
        m_error = parserMessage(xmlCtxtGetLastError(ctxt.get()));
        m_doc.reset();
        return false;
    }
    // An internal subset may declare entities that grow without bound;
    // zapit files never carry one.
    if (m_doc->intSubset || m_doc->extSubset) {
        m_error = QStringLiteral("A document type declaration is not allowed.");
        m_doc.reset();
        return false;
    }
    if (!normaliseTree(m_doc.get(), m_error)) {
        m_doc.reset();
        return false;
    }
    return true;
}

QString XmlDocument::encoding() const
{
    if (!m_doc || !m_doc->encoding)
        return QString();
    return QString::fromUtf8(reinterpret_cast<const char *>(m_doc->encoding));
}

XmlNode XmlDocument::documentElement() const
{
    return XmlNode(m_doc ? xmlDocGetRootElement(m_doc.get()) : nullptr);
}
