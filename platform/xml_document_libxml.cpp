#include "platform/xml_document.h"
#include "platform/xml_tree.h"

#include <QFile>

#include <libxml/parser.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

// libxml2 reports the file through SAX callbacks and XmlTreeBuilder keeps
// what the view needs; libxml2's own tree, about 1 KB an element, is never
// built. The parser reads its input in small pieces through a callback, so
// no second copy of the file is made either.

namespace {

// Even without a tree builder libxml2 may make a document of its own: an
// entity declaration read after a fatal error (SAX already off) is stored in
// one, and a parse that stops inside the internal subset never frees it. The
// context does not own it, so it goes here.
struct ParserContextDeleter {
    void operator()(xmlParserCtxt *ctxt) const noexcept
    {
        if (ctxt->myDoc)
            xmlFreeDoc(ctxt->myDoc);
        xmlFreeParserCtxt(ctxt);
    }
};
using ParserContext = std::unique_ptr<xmlParserCtxt, ParserContextDeleter>;

// No network, no DTD, no entity substitution; errors are collected, not printed.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// libxml2 hands each attribute as five pointers.
enum AttributeField { kLocalName, kPrefix, kUri, kValue, kValueEnd, kAttributeFields };

std::string_view view(const xmlChar *text)
{
    return text ? std::string_view(reinterpret_cast<const char *>(text)) : std::string_view();
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

QString manyAttributes(int line)
{
    return QStringLiteral("An element with thousands of attributes is no channel list "
                          "(more than %1, line %2).")
        .arg(kMaxXmlAttributes)
        .arg(line);
}

class SaxBuild
{
public:
    explicit SaxBuild(XmlTree &tree) : m_builder(tree) {}

    void attach(xmlParserCtxt *ctxt) { m_ctxt = ctxt; }
    XmlTreeBuilder &builder() { return m_builder; }
    const QString &stopReason() const { return m_stopReason; }

    // Once stopped, libxml2 makes no further calls.
    void stop(const QString &reason)
    {
        if (m_stopReason.isEmpty())
            m_stopReason = reason;
        xmlStopParser(m_ctxt);
    }
    void check(bool built)
    {
        if (!built)
            stop(QStringLiteral("The file is too large."));
    }

    // Asked before each piece of the input is read. libxml2 reports an
    // element only once its whole start tag is read, and its duplicate checks
    // along the way grow with the square of the attributes, so an element of
    // very many must be caught while its tag is still being read: through the
    // parser's own tables. The attribute table is grown only for an element
    // that needs more room, to about twice that (five slots an attribute),
    // so its size tells some element had at least half as many attributes;
    // the namespace table holds two slots per declaration of the open
    // elements (no channel list declares any). The limits here are twice the
    // one onStartElement applies exactly, so no element within that is
    // refused on the way. No stop from here: halting the parser frees the
    // buffer being filled; a failed read ends the input instead.
    bool mayReadOn()
    {
        if (!m_ctxt || !m_stopReason.isEmpty())
            return m_stopReason.isEmpty();
        constexpr int kSlotsPerAttribute = 5;
        constexpr int kTableLimit = 4 * kMaxXmlAttributes * kSlotsPerAttribute;
        if (m_ctxt->maxatts > kTableLimit || m_ctxt->nsNr > 4 * kMaxXmlAttributes)
            m_stopReason = manyAttributes(line());
        return m_stopReason.isEmpty();
    }

    // The readers compare names exactly as written, so "x:sat" must not
    // pass for "sat".
    std::string_view qualifiedName(const xmlChar *prefix, const xmlChar *localName)
    {
        if (!prefix)
            return view(localName);
        m_scratch.assign(view(prefix));
        m_scratch += ':';
        m_scratch += view(localName);
        return m_scratch;
    }

    int line() const { return m_ctxt->input ? m_ctxt->input->line : 0; }

    // Without entity substitution libxml2 hands an attribute's "&amp;" or
    // "&#38;" on as "&#38;" (every other reference arrives resolved), so an
    // "&" in a value always starts that escape.
    std::string_view attributeValue(const xmlChar *begin, const xmlChar *end)
    {
        const std::string_view raw(reinterpret_cast<const char *>(begin), std::size_t(end - begin));
        if (raw.find('&') == std::string_view::npos)
            return raw;
        m_value.clear();
        for (std::size_t i = 0; i < raw.size(); ++i) {
            m_value += raw[i];
            if (raw[i] == '&' && raw.substr(i, kAmpersandEscape.size()) == kAmpersandEscape)
                i += kAmpersandEscape.size() - 1;
        }
        return m_value;
    }

private:
    XmlTreeBuilder m_builder;
    xmlParserCtxt *m_ctxt = nullptr;
    QString m_stopReason;
    static constexpr std::string_view kAmpersandEscape = "&#38;";

    std::string m_scratch;
    std::string m_value;
};

SaxBuild &state(void *userData)
{
    return *static_cast<SaxBuild *>(userData);
}

void onStartElement(void *userData, const xmlChar *localName, const xmlChar *prefix,
                    const xmlChar * /*uri*/, int namespaceCount,
                    const xmlChar ** /*namespaces*/, int attributeCount, int /*defaulted*/,
                    const xmlChar **attributes)
{
    SaxBuild &s = state(userData);
    if (attributeCount + namespaceCount > kMaxXmlAttributes) {
        s.stop(manyAttributes(s.line()));
        return;
    }
    if (s.builder().depth() >= kMaxXmlDepth) {
        s.stop(QStringLiteral("Elements are nested deeper than %1 levels (line %2).")
                   .arg(kMaxXmlDepth)
                   .arg(s.line()));
        return;
    }
    if (!s.builder().startElement(s.qualifiedName(prefix, localName))) {
        s.check(false);
        return;
    }
    // Namespace declarations are not attributes here, as in libxml2's tree.
    for (int i = 0; i < attributeCount; ++i) {
        const xmlChar **a = attributes + std::ptrdiff_t(i) * kAttributeFields;
        const std::string_view value = s.attributeValue(a[kValue], a[kValueEnd]);
        if (!s.builder().addAttribute(s.qualifiedName(a[kPrefix], a[kLocalName]), value)) {
            s.check(false);
            return;
        }
    }
}

void onEndElement(void *userData, const xmlChar *, const xmlChar *, const xmlChar *)
{
    state(userData).check(state(userData).builder().endElement());
}

void onCharacters(void *userData, const xmlChar *text, int length)
{
    const std::string_view chars(reinterpret_cast<const char *>(text), std::size_t(length));
    state(userData).check(state(userData).builder().characters(chars));
}

void onCData(void *userData, const xmlChar *, int)
{
    state(userData).check(state(userData).builder().cdata());
}

void onComment(void *userData, const xmlChar *)
{
    state(userData).check(state(userData).builder().comment());
}

void onProcessingInstruction(void *userData, const xmlChar *target, const xmlChar *)
{
    state(userData).check(state(userData).builder().processingInstruction(view(target)));
}

// An internal subset may declare entities that grow without bound, and an
// external one would be fetched; zapit files never carry either. Stopping
// here comes before any declaration is read.
void onDocumentType(void *userData, const xmlChar *, const xmlChar *, const xmlChar *)
{
    state(userData).stop(QStringLiteral("A document type declaration is not allowed."));
}

xmlSAXHandler saxHandler()
{
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = onStartElement;
    sax.endElementNs = onEndElement;
    sax.characters = onCharacters;
    sax.ignorableWhitespace = onCharacters;
    sax.cdataBlock = onCData;
    sax.comment = onComment;
    sax.processingInstruction = onProcessingInstruction;
    sax.internalSubset = onDocumentType;
    return sax;
}

QString declaredEncoding(const xmlParserCtxt *ctxt)
{
    const xmlChar *name = ctxt->encoding;
    if (!name && ctxt->input)
        name = ctxt->input->encoding;
    return name ? QString::fromUtf8(reinterpret_cast<const char *>(name)) : QString();
}

} // namespace

// Where the parser's pieces come from: a device, or bytes in memory.
struct XmlDocument::Input {
    QIODevice *device = nullptr;
    const char *data = nullptr;
    qint64 size = 0;
    qint64 position = 0;
    SaxBuild *build = nullptr; // asked before each piece

    static int read(void *context, char *buffer, int length)
    {
        auto &input = *static_cast<Input *>(context);
        if (input.build && !input.build->mayReadOn())
            return -1;
        if (input.device)
            return int(input.device->read(buffer, length));
        const qint64 count = std::min<qint64>(length, input.size - input.position);
        std::memcpy(buffer, input.data + input.position, std::size_t(count));
        input.position += count;
        return int(count);
    }
    static int close(void *) { return 0; }
};

XmlDocument::XmlDocument()
{
    xmlInitParser();
}

XmlDocument::~XmlDocument() = default;

void XmlDocument::clear()
{
    m_tree.reset();
    m_encoding.clear();
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
    Input input;
    input.device = &file;
    return parse(input, file.size());
}

bool XmlDocument::loadData(const QByteArray &data)
{
    clear();
    Input input;
    input.data = data.constData();
    input.size = data.size();
    return parse(input, data.size());
}

bool XmlDocument::acceptsSize(qint64 bytes)
{
    clear();
    if (bytes <= kMaxXmlFileBytes)
        return true;
    m_error = QStringLiteral("The file is too large.");
    return false;
}

bool XmlDocument::parse(Input &input, qint64 expectedSize)
{
    if (!acceptsSize(expectedSize))
        return false;
    auto tree = std::make_unique<XmlTree>();
    SaxBuild build(*tree);
    build.builder().expectBytes(expectedSize);
    xmlSAXHandler sax = saxHandler();
    ParserContext ctxt(xmlCreateIOParserCtxt(&sax, &build, Input::read, Input::close, &input,
                                             XML_CHAR_ENCODING_NONE));
    if (!ctxt) {
        m_error = QStringLiteral("The XML parser could not be created.");
        return false;
    }
    build.attach(ctxt.get());
    input.build = &build;
    xmlCtxtUseOptions(ctxt.get(), kParseOptions);
    xmlParseDocument(ctxt.get());
    if (!build.stopReason().isEmpty()) {
        m_error = build.stopReason();
        return false;
    }
    if (!ctxt->wellFormed) {
        m_error = parserMessage(xmlCtxtGetLastError(ctxt.get()));
        return false;
    }
    if (!build.builder().finish()) {
        m_error = QStringLiteral("The file is too large.");
        return false;
    }
    m_encoding = declaredEncoding(ctxt.get());
    m_tree = std::move(tree);
    return true;
}

QString XmlDocument::encoding() const
{
    return m_encoding;
}

XmlNode XmlDocument::documentElement() const
{
    return m_tree ? XmlNode::at(m_tree.get(), m_tree->documentElement()) : XmlNode();
}
