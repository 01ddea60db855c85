#include "core/model/save_handler.h"

#include <atomic>

namespace {

// Lists may be read aside in another thread; a count that moved there only
// makes a cache here start over, which is always safe.
std::atomic<quint64> g_generation{1};
std::atomic<quint64> g_keysGeneration{1};

} // namespace

quint64 ModelGeneration()
{
    return g_generation.load(std::memory_order_relaxed);
}

quint64 ModelKeysGeneration()
{
    return g_keysGeneration.load(std::memory_order_relaxed);
}

void NoteModelChange(ModelChange change)
{
    g_generation.fetch_add(1, std::memory_order_relaxed);
    if (change == ModelChange::Any)
        g_keysGeneration.fetch_add(1, std::memory_order_relaxed);
}

TSaveHandler::TSaveHandler(QObject *parent)
    : QObject(parent)
{
    SetSaved();
}

void TSaveHandler::SetSaved()
{
    setState(true);
}

void TSaveHandler::SetModified(ModelChange change)
{
    NoteModelChange(change);
    setState(false);
}

void TSaveHandler::setState(bool saved)
{
    if (m_saved == saved)
        return;
    m_saved = saved;
    Q_EMIT savedChanged(saved);
}

TSaveHandler &SaveHandler()
{
    static TSaveHandler instance;
    return instance;
}
