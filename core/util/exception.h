#pragma once

#include <QString>

#include <exception>

// The program's general exception: programming errors ("Index out of bounds.")
// and the utility routines' re-raised errors carry a user-visible text.
class Exception : public std::exception
{
public:
    explicit Exception(QString message)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8())
    {
    }

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The utility routines report any failure inside them as one exception whose
// text names the routine: "function cutPrefix: <original message>".
template <typename Fn>
auto guardRoutine(const char *routineName, Fn &&fn) -> decltype(fn())
{
    try {
        return fn();
    } catch (const Exception &e) {
        throw Exception(QLatin1String("function ") + QLatin1String(routineName)
                        + QLatin1String(": ") + e.message());
    } catch (const std::exception &e) {
        throw Exception(QLatin1String("function ") + QLatin1String(routineName)
                        + QLatin1String(": ") + QString::fromUtf8(e.what()));
    }
}
