#include "platform/curl_handle.h"

#include "platform/transfer_limits.h"

#include <algorithm>
#include <cerrno>
#include <mutex>

CurlEasy makeCurlEasy()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return CurlEasy(curl_easy_init());
}

QString curlErrorText(CURLcode code)
{
    return QString::fromUtf8(curl_easy_strerror(code));
}

int effectiveStallSeconds(int requested)
{
    return std::clamp(requested, 1, kStallLimitSeconds);
}

int backstopSeconds(int stallSeconds, const TransferRateFloor &floor)
{
    return effectiveStallSeconds(stallSeconds) + effectiveRateFloor(floor).windowSeconds;
}

TransferRateFloor effectiveRateFloor(const TransferRateFloor &requested)
{
    return {std::max(requested.bytesPerSecond, kRateFloorBytesPerSecond),
            std::clamp(requested.windowSeconds, 1, kRateWindowSeconds)};
}

namespace {

// How many points of the window are kept: the rate is judged over the
// window and at most a sixteenth more.
constexpr int kPointsPerWindow = 16;

} // namespace

RateFloorCheck::RateFloorCheck(const TransferRateFloor &floor, Clock::time_point start)
    : m_floor(effectiveRateFloor(floor)),
      m_window(std::chrono::seconds(m_floor.windowSeconds)),
      m_step(m_window / kPointsPerWindow)
{
    m_points.push_back({start, 0});
}

bool RateFloorCheck::keepsPace(Clock::time_point now, qint64 total)
{
    if (now - m_points.back().at >= m_step)
        m_points.push_back({now, total});
    while (m_points.size() > 1 && now - m_points[1].at >= m_window)
        m_points.pop_front();
    const Point &windowStart = m_points.front();
    if (now - windowStart.at < m_window)
        return true; // younger than a window: not judged yet
    return total - windowStart.total >= m_floor.bytesPerSecond * m_floor.windowSeconds;
}

TransferWatch::TransferWatch(int stallSeconds, qint64 sizeLimit, const TransferRateFloor &floor)
    : m_stallSeconds(effectiveStallSeconds(stallSeconds)),
      m_sizeLimit(std::max<qint64>(sizeLimit, 0)),
      m_pace(floor, Clock::now())
{
}

void TransferWatch::attach(CURL *handle)
{
    m_lastMove = Clock::now();
    m_pace = RateFloorCheck(m_pace.floor(), m_lastMove);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &TransferWatch::onProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &TransferWatch::onHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
    // A size the server announces (Content-Length, FTP SIZE) is refused
    // before the first byte; one it does not announce is counted in admit().
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_sizeLimit));
    // A second line of defence should the callbacks not be reached; it
    // must never fire before the watch's own limits, or its time-out would
    // hide what happened.
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME,
                     long(backstopSeconds(m_stallSeconds, m_pace.floor())));
}

bool TransferWatch::admit(qint64 bytes)
{
    if (bytes > m_sizeLimit - m_body) {
        m_overLimit = true;
        return false;
    }
    m_body += bytes;
    // The progress callback counts these bytes for the rate floor.
    m_lastMove = Clock::now();
    return true;
}

bool TransferWatch::moved(qint64 bytes)
{
    const Clock::time_point now = Clock::now();
    if (bytes > 0) {
        m_moved += bytes;
        m_lastMove = now;
    }
    if (!m_pace.keepsPace(now, m_moved))
        m_tooSlow = true;
    return !m_tooSlow;
}

int TransferWatch::onProgress(void *context, curl_off_t, curl_off_t downloaded, curl_off_t,
                              curl_off_t uploaded)
{
    auto *watch = static_cast<TransferWatch *>(context);
    const curl_off_t seen = downloaded + uploaded;
    // libcurl starts counting anew for each request a redirect makes.
    const qint64 fresh = seen > watch->m_progressSeen
        ? qint64(seen - std::max<curl_off_t>(watch->m_progressSeen, 0))
        : 0;
    const bool anyMove = seen != watch->m_progressSeen;
    watch->m_progressSeen = seen;
    if (anyMove)
        watch->m_lastMove = Clock::now();
    // A silence is told as the stall it is, before it counts as slowness.
    if (Clock::now() - watch->m_lastMove >= std::chrono::seconds(watch->m_stallSeconds)) {
        watch->m_stalled = true;
        return 1; // aborts the transfer
    }
    return watch->moved(fresh) ? 0 : 1;
}

size_t TransferWatch::onHeader(char *, size_t size, size_t count, void *context)
{
    // Reply lines trickling in on a control connection reach only this
    // callback, not the progress one: the floor is checked here too.
    const size_t bytes = size * count;
    return static_cast<TransferWatch *>(context)->moved(qint64(bytes)) ? bytes : 0;
}

TransferError TransferWatch::failure(CURL *handle, CURLcode code, const char *errorBuffer,
                                     int connectSeconds) const
{
    TransferError error;
    if (code == CURLE_OK)
        return error;
    error.detail = errorBuffer && errorBuffer[0] ? QString::fromUtf8(errorBuffer)
                                                 : curlErrorText(code);
    error.sizeLimit = m_sizeLimit;
    error.seconds = m_stallSeconds;
    if (m_tooSlow) {
        error.kind = TransferFailure::TooSlow;
        error.rateFloor = m_pace.floor().bytesPerSecond;
        error.seconds = m_pace.floor().windowSeconds;
        return error;
    }
    long osError = 0;
    curl_easy_getinfo(handle, CURLINFO_OS_ERRNO, &osError);
    curl_off_t connectTime = 0;
    curl_easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connectTime);
    switch (code) {
    case CURLE_ABORTED_BY_CALLBACK:
        error.kind = m_stalled ? TransferFailure::TimedOut : TransferFailure::Other;
        break;
    case CURLE_WRITE_ERROR:
        error.kind = m_overLimit ? TransferFailure::SizeLimit : TransferFailure::LocalFile;
        break;
    case CURLE_FILESIZE_EXCEEDED:
        error.kind = TransferFailure::SizeLimit;
        break;
    case CURLE_OPERATION_TIMEDOUT:
        // libcurl's own clocks: the connect time-out (which for FTP takes in
        // the greeting and the login), or one of the limits behind the
        // watch's own. A silence as long as the stall time is a stall
        // whichever clock caught it; anything else ran out of connect time.
        if (connectTime > 0 && Clock::now() - m_lastMove >= std::chrono::seconds(m_stallSeconds)) {
            error.kind = TransferFailure::TimedOut;
        } else {
            error.kind = TransferFailure::ConnectTimedOut;
            error.seconds = connectSeconds;
        }
        break;
    case CURLE_COULDNT_CONNECT:
        error.kind = osError == ECONNREFUSED ? TransferFailure::Refused
                                             : TransferFailure::Unreachable;
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        error.kind = TransferFailure::HostNotFound;
        break;
    case CURLE_LOGIN_DENIED:
        error.kind = TransferFailure::LoginRefused;
        break;
    case CURLE_HTTP_RETURNED_ERROR:
        error.kind = TransferFailure::HttpStatus;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &error.httpStatus);
        break;
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_ACCESS_DENIED:
        error.kind = TransferFailure::NoSuchFile;
        break;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        error.kind = TransferFailure::Dropped;
        break;
    case CURLE_READ_ERROR:
        error.kind = TransferFailure::LocalFile;
        break;
    default:
        error.kind = TransferFailure::Other;
        break;
    }
    return error;
}
