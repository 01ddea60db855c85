#include "logos/logo_thread.h"

#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "logos/logo_image.h"
#include "ui/grid/image_list.h"
#include "ui/program/program.h"

#include <QPixmap>

#include <algorithm>

namespace {

// Results travel in batches: often enough that logos appear as the mapping
// goes on, seldom enough that the UI thread is not flooded.
constexpr int kBatchServices = 4000;
constexpr int kBatchMs = 150;
// A build decodes all its logos before it hands out any service's picture:
// they travel in parts, each turned into pixmaps well within a frame.
constexpr int kBatchImages = 400;

TLogoKind kindOf(const TService &service)
{
    if (service.IsTv())
        return TLogoKind::Tv;
    if (service.IsRadio())
        return TLogoKind::Radio;
    return TLogoKind::Other;
}

int defaultIndexOf(const TService &service)
{
    return service.IsTv() ? 1 : service.IsRadio() ? 2 : service.IsData() ? 3 : 0;
}

// Leaves the shared flags right however the worker ends: not running, and
// stopped when it left because it was asked to.
struct FlagGuard {
    TProgram &program;
    const std::atomic<bool> &leftEarly;
    ~FlagGuard()
    {
        if (leftEarly || !program.LogoMappingRunning)
            program.LogoMappingStopped = true;
        program.LogoMappingRunning = false;
    }
};

} // namespace

class TLogoThread::Sink : public TLogoSink
{
public:
    explicit Sink(TLogoThread &thread) : m_thread(thread) { m_clock.start(); }

    void imagesRecreated(const QList<QImage> &defaults) override
    {
        Q_EMIT m_thread.imagesRecreated(defaults);
    }
    void logoLoaded(int index, const QImage &image) override
    {
        m_batch.images.append({index, image});
        if (m_batch.images.size() >= kBatchImages)
            flush();
    }
    void logoAssigned(int entry, int index) override
    {
        m_batch.assigned.emplace_back(entry, index);
        if (int(m_batch.assigned.size()) >= kBatchServices || m_clock.elapsed() >= kBatchMs)
            flush();
    }
    bool stopRequested() override { return !m_thread.m_program.LogoMappingRunning; }

    void flush()
    {
        if (!m_batch.images.isEmpty() || !m_batch.assigned.empty())
            Q_EMIT m_thread.batchReady(m_batch);
        m_batch = TLogoBatch();
        m_clock.restart();
    }

private:
    TLogoThread &m_thread;
    TLogoBatch m_batch;
    QElapsedTimer m_clock;
};

TLogoThread::TLogoThread(TProgram &program, TImageList *logos, const TImageList *defaults,
                         TLogoJob job, TLogoHooks hooks, QObject *parent)
    : QThread(parent), m_program(program), m_logos(logos), m_job(std::move(job)),
      m_hooks(std::move(hooks))
{
    qRegisterMetaType<TLogoBatch>();
    m_job.entries = Snapshot(program.ServiceList.get(), program.MyServiceList.get(), &m_services);
    m_generation = ModelGeneration();
    m_job.defaultPictures.clear();
    for (int i = 0; defaults && i < defaults->Count(); ++i) {
        // Drawn for the screen's pixel ratio; the mapping works in logo pixels.
        QImage picture = defaults->Image(i).toImage();
        if (picture.devicePixelRatio() != 1.0) {
            picture = picture.scaled(kLogoFileWidth, kLogoFileHeight, Qt::IgnoreAspectRatio,
                                     Qt::SmoothTransformation);
            picture.setDevicePixelRatio(1.0);
        }
        m_job.defaultPictures.append(picture);
    }
    // Emitted by the worker, run here on the UI thread.
    connect(this, &TLogoThread::imagesRecreated, this, &TLogoThread::applyRecreated,
            Qt::QueuedConnection);
    connect(this, &TLogoThread::batchReady, this, &TLogoThread::applyBatch, Qt::QueuedConnection);
    connect(this, &TLogoThread::indicatorChanged, this,
            [this](bool active) {
                if (m_hooks.showIndicator)
                    m_hooks.showIndicator(active);
            },
            Qt::QueuedConnection);
}

TLogoThread::~TLogoThread()
{
    // Only a worker still at work is asked to stop: the flag may already
    // belong to the next run.
    if (isRunning()) {
        m_program.LogoMappingRunning = false;
        wait();
    }
}

std::vector<TLogoEntry> TLogoThread::Snapshot(const TServiceList *services,
                                             const TServiceList *myServices,
                                             std::vector<TService *> *pointers)
{
    std::vector<TLogoEntry> entries;
    for (const TServiceList *list : {services, myServices}) {
        if (!list)
            continue;
        const bool my = list == myServices;
        list->forEachService([&](TService *service, TTransponder *, TSatelite *) {
            entries.push_back({service->Name, kindOf(*service), defaultIndexOf(*service), my});
            if (pointers)
                pointers->push_back(service);
        });
    }
    return entries;
}

void TLogoThread::run()
{
    FlagGuard guard{m_program, m_leftEarly};
    if (!m_logos)
        return;
    Q_EMIT indicatorChanged(true);
    try {
        Sink sink(*this);
        if (runLogoMapping(m_job, sink) == TLogoRunResult::Stopped)
            m_leftEarly = true;
        else
            sink.flush();
    } catch (...) {
        // Nothing may leave a thread's run; the services keep what they got.
        m_leftEarly = true;
    }
    Q_EMIT indicatorChanged(false);
}

void TLogoThread::applyRecreated(const QList<QImage> &defaults)
{
    if (m_leftEarly || !m_logos)
        return;
    m_logos->Clear();
    for (const QImage &picture : defaults)
        m_logos->Add(QPixmap::fromImage(picture));
    for (TServiceList *list : {m_program.ServiceList.get(), m_program.MyServiceList.get()}) {
        if (list)
            list->UpdateClassAll();
    }
    if (m_hooks.refreshLogos)
        m_hooks.refreshLogos();
}

bool TLogoThread::entryAlive(int entry)
{
    if (ModelGeneration() == m_generation)
        return true;
    // The lists changed since the copy was taken: only services still in
    // them, under the same name and kind, take their result.
    if (!m_checkAlive || m_aliveGeneration != ModelGeneration()) {
        m_alive.clear();
        for (TServiceList *list : {m_program.ServiceList.get(), m_program.MyServiceList.get()}) {
            if (list)
                list->forEachService(
                    [&](TService *service, TTransponder *, TSatelite *) { m_alive.push_back(service); });
        }
        std::sort(m_alive.begin(), m_alive.end());
        m_checkAlive = true;
        m_aliveGeneration = ModelGeneration();
    }
    const TService *service = m_services[std::size_t(entry)];
    if (!std::binary_search(m_alive.begin(), m_alive.end(), service))
        return false;
    const TLogoEntry &was = m_job.entries[std::size_t(entry)];
    return service->Name == was.name && kindOf(*service) == was.kind;
}

void TLogoThread::applyBatch(const TLogoBatch &batch)
{
    if (m_leftEarly || !m_logos)
        return;
    for (const auto &[index, image] : batch.images) {
        const QPixmap pixmap = QPixmap::fromImage(image);
        if (index < m_logos->Count())
            m_logos->Replace(index, pixmap);
        else
            while (m_logos->Count() <= index)
                m_logos->Add(pixmap);
    }
    for (const auto &[entry, index] : batch.assigned) {
        if (entry >= 0 && entry < int(m_services.size()) && entryAlive(entry))
            m_services[std::size_t(entry)]->LogoIndex = index;
    }
    if (m_hooks.refreshLogos)
        m_hooks.refreshLogos();
}
