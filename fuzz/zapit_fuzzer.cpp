// libFuzzer harness for the channel lists: untrusted bytes through the
// program's own load path for services, my-services and bouquets files, the
// lists linked as at start-up, written in the dialect and encoding they were
// read in, read back into the same lists (as reopening a file does), linked
// and written again. Every list is also converted to each other dialect of
// its kind, and the my-services list is written in the services list's
// encoding, as the working files are saved.
//
// It aborts, naming the fault, when a failed load gives no reason, when the
// program cannot write a list it read or cannot load what it wrote, when two
// writes of the same list differ, or when a conversion does not load as the
// dialect it was written in.
//
// An input is one file, tried as each of the three kinds, or up to three
// files (services, my-services, bouquets, in that order) joined by
// kPartBreak, so that the linking sees lists that refer to each other.

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/zapit/dialects.h"
#include "core/zapit/xml_file_handler.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Two ASCII record separators: XML cannot hold them, so no list file that
// loads is ever cut apart by accident.
const QByteArray kPartBreak("\x1e\x1e", 2);
constexpr std::array kKinds = {ZapitKind::Services, ZapitKind::MyServices, ZapitKind::Bouquets};
constexpr qsizetype kShownBytes = 400;

const char *kindName(ZapitKind kind)
{
    switch (kind) {
    case ZapitKind::Services: return "services";
    case ZapitKind::MyServices: return "my-services";
    case ZapitKind::Bouquets: return "bouquets";
    }
    return "?";
}

// Bytes as a C string literal would show them, cut short.
QByteArray shown(const QByteArray &bytes)
{
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size() && i < kShownBytes; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7f && c != '\\')
            out += char(c);
        else if (c == '\n')
            out += "\\n";
        else
            out += QByteArray("\\x") + QByteArray::number(c, 16).rightJustified(2, '0');
    }
    if (bytes.size() > kShownBytes)
        out += "...";
    return out;
}

[[noreturn]] void fail(const char *fault, ZapitKind kind, const QByteArray &detail)
{
    std::fprintf(stderr, "\n*** zapit_fuzzer: %s [%s]\n%s\n", fault, kindName(kind),
                 detail.constData());
    std::fflush(stderr);
    std::abort();
}

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "zapit_fuzzer: cannot write %s\n", qPrintable(fileName));
        std::abort();
    }
}

// The first line where two texts part, both sides shown.
QByteArray firstDifference(const QByteArray &first, const QByteArray &again)
{
    const QList<QByteArray> a = first.split('\n');
    const QList<QByteArray> b = again.split('\n');
    qsizetype line = 0;
    while (line < a.size() && line < b.size() && a[line] == b[line])
        ++line;
    const auto side = [line](const QList<QByteArray> &lines) {
        return line < lines.size() ? shown(lines[line]) : QByteArray("(end of file)");
    };
    return "line " + QByteArray::number(line + 1) + "\nfirst: " + side(a) + "\nagain: " + side(b);
}

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "zapit_fuzzer: no temporary folder\n");
        std::abort();
    }
    return dir;
}

QString workFile(const char *name)
{
    return workDir().filePath(QString::fromLatin1(name));
}

// The lists of one program; the bouquets go first, while the services their
// entries point at are still there.
struct Lists {
    TServiceList services;
    TServiceList myServices;
    TBouquetList bouquets;

    const TServiceList &serviceList(ZapitKind kind) const
    {
        return kind == ZapitKind::MyServices ? myServices : services;
    }
    int format(ZapitKind kind) const
    {
        return kind == ZapitKind::Bouquets ? bouquets.Format : serviceList(kind).Format;
    }
    QString encoding(ZapitKind kind) const
    {
        return kind == ZapitKind::Bouquets ? bouquets.Encoding : serviceList(kind).Encoding;
    }
    // The dialect a list has before a file is loaded into it: the one kept
    // when the file cannot tell it from another.
    void setFormat(ZapitKind kind, int dialect)
    {
        if (kind == ZapitKind::Bouquets)
            bouquets.Format = quint16(dialect);
        else
            (kind == ZapitKind::MyServices ? myServices : services).Format = quint16(dialect);
    }
    bool empty(ZapitKind kind) const
    {
        return kind == ZapitKind::Bouquets ? bouquets.Count() == 0 : serviceList(kind).Count() == 0;
    }
    // As at start-up.
    void link()
    {
        services.LinkMyServices(myServices);
        bouquets.Link(services, myServices);
    }
};

TFrmXMLHandler &handler()
{
    static TFrmXMLHandler instance{TFrmXMLHandler::Environment{}};
    return instance;
}

bool load(ZapitKind kind, const QString &fileName, Lists &lists, QString &errorText)
{
    switch (kind) {
    case ZapitKind::Services:
        return handler().LoadServices(fileName, errorText, false, lists.services);
    case ZapitKind::MyServices:
        return handler().LoadMyServices(fileName, errorText, lists.myServices);
    case ZapitKind::Bouquets:
        return handler().LoadBouquets(fileName, errorText, lists.bouquets);
    }
    return false;
}

bool write(ZapitKind kind, const QString &fileName, int dialect, const QString &encoding,
           const Lists &lists, QString &errorText)
{
    switch (kind) {
    case ZapitKind::Services:
        return handler().WriteServices(fileName, dialect, lists.services, errorText, encoding);
    case ZapitKind::MyServices:
        return handler().WriteMyServices(fileName, dialect, lists.myServices, errorText, encoding);
    case ZapitKind::Bouquets:
        return handler().WriteBouquets(fileName, dialect, lists.bouquets, errorText, encoding);
    }
    return false;
}

QByteArray context(const QString &errorText, const QByteArray &file)
{
    return "error: " + utf8(errorText) + "\nfile: " + shown(file);
}

// Writes the list of `kind` in `dialect` and `encoding` and loads the result
// into lists of its own of that dialect; it must load as that very dialect
// (a file without services fits several, and then keeps the list's).
void checkConversion(ZapitKind kind, const Lists &lists, int dialect, const QString &encoding)
{
    const QString fileName = workFile("converted.xml");
    QString errorText;
    const QByteArray what = "dialect " + QByteArray::number(lists.format(kind)) + " to "
        + QByteArray::number(dialect) + ", encoding \"" + utf8(encoding) + "\"";
    if (!write(kind, fileName, dialect, encoding, lists, errorText))
        fail("a conversion could not be written", kind, what + "\nerror: " + utf8(errorText));
    Lists converted;
    converted.setFormat(kind, dialect);
    if (!load(kind, fileName, converted, errorText))
        fail("a conversion does not load", kind, what + '\n' + context(errorText, readAll(fileName)));
    if (converted.format(kind) != dialect)
        fail("a conversion loads as another dialect", kind,
             what + ", read as " + QByteArray::number(converted.format(kind)));
}

QList<QByteArray> splitParts(const QByteArray &input)
{
    QList<QByteArray> parts;
    qsizetype from = 0;
    while (parts.size() < qsizetype(kKinds.size()) - 1) {
        const qsizetype at = input.indexOf(kPartBreak, from);
        if (at < 0)
            break;
        parts.append(input.mid(from, at - from));
        from = at + kPartBreak.size();
    }
    parts.append(input.mid(from));
    return parts;
}

const std::array<const char *, 3> kInputNames = {"in-services.xml", "in-myservices.xml",
                                                 "in-bouquets.xml"};
const std::array<const char *, 3> kSavedNames = {"Services.xml", "MyServices.xml",
                                                 "Bouquets.xml"};
const std::array<const char *, 3> kAgainNames = {"again-services.xml", "again-myservices.xml",
                                                 "again-bouquets.xml"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     qsizetype(size));
    const QList<QByteArray> parts = splitParts(input);
    Lists lists;
    std::array<bool, 3> kept = {};

    for (std::size_t k = 0; k < kKinds.size(); ++k) {
        const ZapitKind kind = kKinds[k];
        if (parts.size() > 1 && qsizetype(k) >= parts.size())
            break;
        const QByteArray &bytes = parts.size() == 1 ? parts[0] : parts[qsizetype(k)];
        const QString fileName = workFile(kInputNames[k]);
        writeAll(fileName, bytes);
        QString errorText;
        const bool loaded = load(kind, fileName, lists, errorText);
        if (!loaded && errorText.trimmed().isEmpty())
            fail("a failed load gave no error text", kind, shown(bytes));
        // An empty list has no file when the working files are saved.
        kept[k] = loaded && !lists.empty(kind);
    }
    lists.link();

    std::array<QByteArray, 3> written;
    for (std::size_t k = 0; k < kKinds.size(); ++k) {
        if (!kept[k])
            continue;
        const ZapitKind kind = kKinds[k];
        const QString fileName = workFile(kSavedNames[k]);
        QString errorText;
        if (!write(kind, fileName, lists.format(kind), lists.encoding(kind), lists, errorText))
            fail("a list cannot be written in the dialect and encoding it was read in", kind,
                 "dialect " + QByteArray::number(lists.format(kind)) + ", encoding \""
                     + utf8(lists.encoding(kind)) + "\"\nerror: " + utf8(errorText));
        written[k] = readAll(fileName);
        for (const DialectSpec &dialect : zapitDialects(kind)) {
            if (dialect.number != lists.format(kind))
                checkConversion(kind, lists, dialect.number, lists.encoding(kind));
        }
    }
    // The my-services file is saved in the encoding of the services list.
    if (kept[1] && lists.services.Count() > 0
        && lists.services.Encoding != lists.myServices.Encoding)
        checkConversion(ZapitKind::MyServices, lists, lists.myServices.Format,
                        lists.services.Encoding);

    // Reopen what was written into the same, linked lists, link again and
    // write once more: the same bytes must come out.
    for (std::size_t k = 0; k < kKinds.size(); ++k) {
        if (!kept[k])
            continue;
        const ZapitKind kind = kKinds[k];
        const int format = lists.format(kind);
        QString errorText;
        if (!load(kind, workFile(kSavedNames[k]), lists, errorText))
            fail("the program cannot load its own output", kind, context(errorText, written[k]));
        if (lists.format(kind) != format)
            fail("its own output loads as another dialect", kind,
                 "written as " + QByteArray::number(format) + ", read as "
                     + QByteArray::number(lists.format(kind)));
    }
    lists.link();
    for (std::size_t k = 0; k < kKinds.size(); ++k) {
        if (!kept[k])
            continue;
        const ZapitKind kind = kKinds[k];
        const QString fileName = workFile(kAgainNames[k]);
        QString errorText;
        if (!write(kind, fileName, lists.format(kind), lists.encoding(kind), lists, errorText))
            fail("a list read from the program's own output cannot be written", kind,
                 utf8(errorText));
        const QByteArray again = readAll(fileName);
        if (again != written[k])
            fail("two writes of the same list differ", kind, firstDifference(written[k], again));
    }
    return 0;
}
