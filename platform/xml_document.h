#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class XmlTree;

// A read-only view of one parsed XML file, giving what the zapit readers
// walk: node names as the file writes them ("#comment", "#text" and the like
// for non-elements), attributes in document order, the declared encoding, and
// the parser's own message when the file is not well-formed.
//
// Parsing never touches the network, never loads a DTD and never expands
// entities; a document type declaration is refused outright, elements may
// nest at most kMaxXmlDepth levels and carry at most kMaxXmlAttributes
// attributes. Text nodes that hold only white space are not part of the view
// (the layout of a file does not change its data).

inline constexpr int kMaxXmlDepth = 64;
// A channel list's elements carry a dozen attributes. libxml2 checks each
// attribute of an element (and each namespace it declares) against all the
// ones before it, so a single element of 100,000 would take seconds.
inline constexpr int kMaxXmlAttributes = 1000;
// The largest file parsed: the parser counts its input in ints.
inline constexpr qint64 kMaxXmlFileBytes = 0x7FFFFFFF;

class XmlAttribute
{
public:
    XmlAttribute() = default;

    bool isNull() const { return m_tree == nullptr; }
    explicit operator bool() const { return m_tree != nullptr; }

    // UTF-8 name, valid while the document lives.
    const char *rawName() const;
    QString name() const;
    QString value() const;
    XmlAttribute next() const;

private:
    friend class XmlNode;
    XmlAttribute(const XmlTree *tree, quint32 index) : m_tree(tree), m_index(index) {}

    const XmlTree *m_tree = nullptr;
    quint32 m_index = 0;
};

class XmlNode
{
public:
    XmlNode() = default;

    bool isNull() const { return m_tree == nullptr; }
    explicit operator bool() const { return m_tree != nullptr; }

    bool isElement() const;
    bool isComment() const;
    // The element's name as written, or "#text", "#comment",
    // "#cdata-section"; a processing instruction is named by its target.
    // UTF-8, valid while the document lives.
    const char *rawName() const;
    QString name() const;

    XmlNode firstChild() const;
    XmlNode nextSibling() const;
    XmlAttribute firstAttribute() const;
    // The value of the attribute of exactly this name; null when absent.
    QString attribute(const char *name) const;
    bool hasAttribute(const char *name) const;

private:
    friend class XmlDocument;
    XmlNode(const XmlTree *tree, quint32 index) : m_tree(tree), m_index(index) {}
    static XmlNode at(const XmlTree *tree, quint32 index);

    const XmlTree *m_tree = nullptr;
    quint32 m_index = 0;
};

class XmlDocument
{
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    // False when the file cannot be read or is not well-formed;
    // errorMessage() then holds the reason.
    bool loadFile(const QString &fileName);
    bool loadData(const QByteArray &data);
    // Whether a file of this size can be parsed at all; when not, the
    // document is cleared and errorMessage() holds the reason, so a caller
    // can refuse a file before reading it into memory.
    bool acceptsSize(qint64 bytes);
    void clear();

    bool isLoaded() const { return m_tree != nullptr; }
    QString errorMessage() const { return m_error; }
    // The encoding named in the XML declaration, empty when none is named.
    QString encoding() const;
    // Null when the document holds no element.
    XmlNode documentElement() const;

private:
    struct Input;
    bool parse(Input &input, qint64 expectedSize);

    std::unique_ptr<XmlTree> m_tree;
    QString m_encoding;
    QString m_error;
};
