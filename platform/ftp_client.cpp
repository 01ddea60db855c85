#include "platform/ftp_client.h"

#include <QBuffer>
#include <QIODevice>
#include <QUrl>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

namespace {

struct Sink {
    QIODevice *device;
    TransferWatch *watch;
};

size_t writeToDevice(char *data, size_t size, size_t count, void *context)
{
    auto *sink = static_cast<Sink *>(context);
    const qint64 bytes = qint64(size * count);
    if (!sink->watch->admit(bytes))
        return 0;
    return sink->device->write(data, bytes) == bytes ? size_t(bytes) : 0;
}

size_t discard(char *, size_t size, size_t count, void *)
{
    return size * count;
}

size_t readFromDevice(char *buffer, size_t size, size_t count, void *device)
{
    const qint64 read = static_cast<QIODevice *>(device)->read(buffer, qint64(size * count));
    return read < 0 ? CURL_READFUNC_ABORT : size_t(read);
}

bool isUnreachable(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_ABORTED_BY_CALLBACK: // the greeting never came
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_URL_MALFORMAT:
        return true;
    default:
        return false;
    }
}

// How long the goodbye waits for the server's reply to QUIT: the reply
// tells nothing the caller needs, so a server that is slow or hung with it
// is not waited for.
constexpr int kQuitReplyMs = 2000;
// The replies of a server without room for an upload: "insufficient storage
// space" and "exceeded storage allocation".
constexpr long kFtpNoSpace = 452;
constexpr long kFtpStorageExceeded = 552;

// A watch's verdict means the server stopped answering or nearly so: the
// session is dropped rather than asked anything more.
bool serverStopped(TransferFailure kind)
{
    return kind == TransferFailure::TimedOut || kind == TransferFailure::TooSlow;
}

// Raw command lines whose reply, whatever it is, is accepted: a leading
// "*" tells libcurl so.
QStringList anyReply(const QStringList &commands)
{
    QStringList lines;
    for (const QString &command : commands)
        lines.append(u'*' + command);
    return lines;
}

} // namespace

FtpClient::FtpClient(Settings settings)
    : m_settings(std::move(settings))
{
}

FtpClient::~FtpClient()
{
    disconnect();
}

curl_socket_t FtpClient::openSocket(void *client, curlsocktype, curl_sockaddr *address)
{
    const curl_socket_t socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD)
        static_cast<FtpClient *>(client)->m_sockets.push_back(socket);
    return socket;
}

int FtpClient::closeSocket(void *client, curl_socket_t socket)
{
    std::erase(static_cast<FtpClient *>(client)->m_sockets, socket);
    return ::close(socket);
}

void FtpClient::dropConnections()
{
    // Shut, not closed: the descriptors stay libcurl's, which closes them.
    for (const curl_socket_t socket : m_sockets)
        ::shutdown(socket, SHUT_RDWR);
}

void FtpClient::closeSession()
{
    dropConnections();
    m_handle.reset();
}

QByteArray FtpClient::urlFor(const QString &remotePath) const
{
    // "%2F" makes the path absolute instead of relative to the login folder;
    // every segment is escaped so blanks and "#" reach the server as named.
    QByteArray url = "ftp://" + QUrl::toPercentEncoding(m_settings.host, ".:[]") + ':'
        + QByteArray::number(m_settings.port) + "/%2F";
    const QStringList segments = remotePath.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (i > 0)
            url += '/';
        url += QUrl::toPercentEncoding(segments[i]);
    }
    return url;
}

TransferWatch FtpClient::watch(qint64 sizeLimit) const
{
    return TransferWatch(m_settings.stallSeconds, sizeLimit, m_settings.rateFloor);
}

void FtpClient::applyCommonOptions(CURL *handle)
{
    curl_easy_reset(handle);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, &FtpClient::openSocket);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(handle, CURLOPT_CLOSESOCKETFUNCTION, &FtpClient::closeSocket);
    curl_easy_setopt(handle, CURLOPT_CLOSESOCKETDATA, this);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(handle, CURLOPT_USERNAME, m_settings.user.toUtf8().constData());
    curl_easy_setopt(handle, CURLOPT_PASSWORD, m_settings.password.toUtf8().constData());
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, long(m_settings.connectTimeoutSeconds));
    // An unanswered command is a stall like any other, and a reply that
    // trickles in is held to the rate floor: the watch sees both first.
    curl_easy_setopt(handle, CURLOPT_FTP_RESPONSE_TIMEOUT,
                     long(backstopSeconds(m_settings.stallSeconds, m_settings.rateFloor)));
    // Plain PASV: the small servers on receivers do not all know EPSV.
    curl_easy_setopt(handle, CURLOPT_FTP_USE_EPSV, 0L);
    curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, 0L);
}

void FtpClient::failWith(TransferFailure kind, const QString &detail)
{
    m_lastCode = CURLE_FAILED_INIT;
    m_lastFailure = TransferError{};
    m_lastFailure.kind = kind;
    m_lastFailure.detail = detail;
}

bool FtpClient::perform(CURL *handle, TransferWatch &watch)
{
    m_errorBuffer[0] = '\0';
    watch.attach(handle);
    m_lastCode = curl_easy_perform(handle);
    m_lastFailure =
        watch.failure(handle, m_lastCode, m_errorBuffer, m_settings.connectTimeoutSeconds);
    // libcurl keeps a control connection whose reply never came, and would
    // end the session with a QUIT to it and wait the whole reply time-out.
    if (serverStopped(m_lastFailure.kind))
        dropConnections();
    return m_lastCode == CURLE_OK;
}

FtpClient::Connection FtpClient::connect()
{
    m_handle = makeCurlEasy();
    if (!m_handle) {
        failWith(TransferFailure::Other, QStringLiteral("out of memory"));
        return Connection::Unreachable;
    }
    CURL *handle = prepareTransfer(QString());
    // Log in and look at the root folder; no listing is transferred.
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    TransferWatch login = watch(m_settings.sizeLimit);
    if (perform(handle, login))
        return Connection::Ok;
    // A greeting or login that trickles in is no refused login either.
    if (isUnreachable(m_lastCode) || m_lastFailure.kind == TransferFailure::TooSlow) {
        closeSession();
        return Connection::Unreachable;
    }
    return Connection::LoginRefused;
}

CURL *FtpClient::prepareTransfer(const QString &remotePath)
{
    if (!m_handle) {
        failWith(TransferFailure::Other, QStringLiteral("not connected"));
        return nullptr;
    }
    CURL *handle = m_handle.get();
    applyCommonOptions(handle);
    curl_easy_setopt(handle, CURLOPT_URL, urlFor(remotePath).constData()); // libcurl copies it
    return handle;
}

bool FtpClient::download(const QString &remotePath, QIODevice &target)
{
    CURL *handle = prepareTransfer(remotePath);
    if (!handle)
        return false;
    TransferWatch transfer = watch(m_settings.sizeLimit);
    Sink sink{&target, &transfer};
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, writeToDevice);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
    if (perform(handle, transfer))
        return true;
    if (m_lastFailure.kind == TransferFailure::LocalFile && !target.errorString().isEmpty())
        m_lastFailure.detail = target.errorString();
    return false;
}

bool FtpClient::commandList(const QStringList &lines, CurlSlist &list)
{
    curl_slist *raw = nullptr;
    for (const QString &line : lines) {
        // A line break inside a path would end the command there and send
        // the rest as a command of its own.
        if (line.contains(u'\r') || line.contains(u'\n') || line.contains(QChar(0))) {
            curl_slist_free_all(raw);
            failWith(TransferFailure::Other, QStringLiteral("line break in a command"));
            return false;
        }
        curl_slist *extended = curl_slist_append(raw, line.toUtf8().constData());
        if (!extended) {
            curl_slist_free_all(raw);
            failWith(TransferFailure::Other, QStringLiteral("out of memory"));
            return false;
        }
        raw = extended;
    }
    list.reset(raw);
    return true;
}

bool FtpClient::upload(QIODevice &source, qint64 size, const QString &remotePath,
                       const QStringList &afterCommands)
{
    CURL *handle = prepareTransfer(remotePath);
    if (!handle)
        return false;
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, readFromDevice);
    curl_easy_setopt(handle, CURLOPT_READDATA, &source);
    curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, curl_off_t(size));
    CurlSlist commands;
    if (!commandList(anyReply(afterCommands), commands))
        return false;
    curl_easy_setopt(handle, CURLOPT_POSTQUOTE, commands.get());
    // Uploads are the program's own files; the size limit guards downloads.
    TransferWatch transfer = watch(std::numeric_limits<qint64>::max());
    if (!perform(handle, transfer)) {
        // The server's own word that its disk is full, at the command or
        // once the data is in.
        long reply = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &reply);
        if (reply == kFtpNoSpace || reply == kFtpStorageExceeded)
            m_lastFailure.kind = TransferFailure::NoRoom;
        return false;
    }
    // A source that ended early gives libcurl fewer bytes than announced.
    curl_off_t sent = -1;
    curl_easy_getinfo(handle, CURLINFO_SIZE_UPLOAD_T, &sent);
    if (sent != curl_off_t(size)) {
        failWith(TransferFailure::Dropped, QStringLiteral("%1 of %2 bytes sent").arg(sent).arg(size));
        return false;
    }
    return true;
}

bool FtpClient::remoteSize(const QString &remotePath, qint64 &size)
{
    size = -1;
    CURL *handle = prepareTransfer(remotePath);
    if (!handle)
        return false;
    // SIZE without a transfer; a server that does not know SIZE is no
    // failure, it merely tells nothing. libcurl hands the answer on as
    // header lines to the body's writer too, which must not be stdout.
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, discard);
    TransferWatch question = watch(std::numeric_limits<qint64>::max());
    if (!perform(handle, question))
        return false;
    curl_off_t told = -1;
    if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &told) == CURLE_OK)
        size = qint64(told);
    return true;
}

bool FtpClient::sendCommands(const QStringList &lines)
{
    CURL *handle = prepareTransfer(QString());
    if (!handle)
        return false;
    CurlSlist commands;
    if (!commandList(lines, commands))
        return false;
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle, CURLOPT_QUOTE, commands.get());
    TransferWatch exchange = watch(m_settings.sizeLimit);
    return perform(handle, exchange);
}

bool FtpClient::rename(const QString &from, const QString &to, const QStringList &afterCommands)
{
    if (sendCommands(QStringList{QStringLiteral("RNFR ") + from, QStringLiteral("RNTO ") + to}
                     + anyReply(afterCommands)))
        return true;
    // Only the two rename lines can be refused; the others take any reply.
    if (m_lastCode == CURLE_QUOTE_ERROR)
        m_lastFailure.kind = TransferFailure::RenameRefused;
    return false;
}

bool FtpClient::remove(const QString &remotePath)
{
    return sendCommands(anyReply({QStringLiteral("DELE ") + remotePath}));
}

bool FtpClient::listNames(const QString &remoteFolder, QStringList &names)
{
    names.clear();
    CURL *handle = prepareTransfer(remoteFolder);
    if (!handle)
        return false;
    // A folder's address ends with "/": libcurl lists it instead of
    // fetching a file.
    QByteArray url = urlFor(remoteFolder);
    if (!url.endsWith('/'))
        url += '/';
    curl_easy_setopt(handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(handle, CURLOPT_DIRLISTONLY, 1L);
    QBuffer listing;
    listing.open(QIODevice::WriteOnly);
    TransferWatch transfer = watch(m_settings.sizeLimit);
    Sink sink{&listing, &transfer};
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, writeToDevice);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
    if (!perform(handle, transfer))
        return false;
    for (const QByteArray &line : listing.data().split('\n')) {
        const QString name = QString::fromUtf8(line.trimmed()).section(u'/', -1);
        if (!name.isEmpty())
            names.append(name);
    }
    return true;
}

bool FtpClient::disconnect()
{
    if (!m_handle)
        return false;
    curl_socket_t control = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(m_handle.get(), CURLINFO_ACTIVESOCKET, &control) == CURLE_OK
        && std::ranges::find(m_sockets, control) != m_sockets.end()) {
        static constexpr char kQuit[] = "QUIT\r\n";
        if (::send(control, kQuit, sizeof kQuit - 1, MSG_NOSIGNAL) == sizeof kQuit - 1) {
            pollfd reply{control, POLLIN, 0};
            ::poll(&reply, 1, kQuitReplyMs);
        }
    }
    closeSession();
    return true;
}
