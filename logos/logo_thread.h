#pragma once

#include "logos/logo_mapper.h"

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QThread>

#include <atomic>
#include <functional>
#include <utility>
#include <vector>

class TImageList;
class TService;
class TServiceList;
struct TProgram;

// What a mapping run hands back to the UI thread in one go.
struct TLogoBatch {
    QList<std::pair<int, QImage>> images;      // picture index, picture
    std::vector<std::pair<int, int>> assigned; // entry, picture index
};
Q_DECLARE_METATYPE(TLogoBatch)

// The windows a mapping run shows its progress in; each may be empty.
struct TLogoHooks {
    // The mapping indicator in the status bar.
    std::function<void(bool active)> showIndicator;
    // Rewrites the logo cells of the grids from the services' picture indexes.
    std::function<void()> refreshLogos;
};

// Matches services with logo files and loads the logos in a worker thread.
// The worker only sees a copy of the service names and settings taken at the
// start; every result comes back to the UI thread as a queued call to this
// object (which lives there) and is applied only to services that still
// exist under the same name. The program's LogoMappingRunning must be set
// before start(); clearing it asks the worker to stop, and the worker
// acknowledges through LogoMappingStopped. Both flags are left right when
// the worker ends, however it ends.
class TLogoThread : public QThread
{
    Q_OBJECT

public:
    // Takes the copy of the lists and settings now.
    TLogoThread(TProgram &program, TImageList *logos, const TImageList *defaults,
                TLogoJob job, TLogoHooks hooks, QObject *parent = nullptr);
    ~TLogoThread() override;

    bool Rebuild() const { return m_job.rebuild; }
    // The snapshot of the named lists as a job (the services list first).
    static std::vector<TLogoEntry> Snapshot(const TServiceList *services,
                                            const TServiceList *myServices,
                                            std::vector<TService *> *pointers = nullptr);

Q_SIGNALS:
    void imagesRecreated(const QList<QImage> &defaults);
    void batchReady(const TLogoBatch &batch);
    void indicatorChanged(bool active);

protected:
    void run() override;

private:
    class Sink;
    void applyRecreated(const QList<QImage> &defaults);
    void applyBatch(const TLogoBatch &batch);
    // The snapshot's services that are still in the lists, as they were.
    bool entryAlive(int entry);

    TProgram &m_program;
    TImageList *m_logos;
    TLogoJob m_job;
    TLogoHooks m_hooks;
    std::vector<TService *> m_services;
    quint64 m_generation = 0;
    bool m_checkAlive = false;
    std::vector<const TService *> m_alive; // sorted, while m_checkAlive
    quint64 m_aliveGeneration = 0;
    std::atomic<bool> m_leftEarly{false};
};
