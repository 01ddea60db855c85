#pragma once

#include "logos/logo_matcher.h"

#include <QImage>
#include <QList>
#include <QString>

#include <vector>

// One service as the mapping sees it: a copy taken on the UI thread, so the
// mapping never reads the live model.
struct TLogoEntry {
    QString name;
    TLogoKind kind = TLogoKind::Other;
    // The picture the service shows without a logo: 1 TV, 2 radio, 3 data,
    // 0 obsolete (the same numbers as the default pictures).
    int defaultIndex = 0;
    bool myServices = false;
};

// Everything one mapping run needs, taken when it starts.
struct TLogoJob {
    // Build the mapping file anew; otherwise apply the one there is.
    bool rebuild = false;
    // The logo manager's activation: services of the services list get
    // their logos only while mapping is enabled; disabled mapping never
    // builds.
    bool mappingEnabled = true;
    bool mappingDisabled = false;
    // The most cores a build takes; 0 lets it take what helps. One keeps
    // the whole build on the calling thread.
    int cores = 0;
    int logoWidth = 52;
    int logoHeight = 39;
    QString logoFolder;
    QString mappingFile;
    // The default pictures (obsolete, TV, radio, data), at any size.
    QList<QImage> defaultPictures;
    // The services list's services in walk order, then the my-services list's.
    std::vector<TLogoEntry> entries;
};

// Where a run's results go, in this order: the default pictures once, then
// the pictures of new logos and the picture index of every service, in entry
// order (a service's picture always before its index). stopRequested is
// asked at least once per service, from several threads at once.
class TLogoSink
{
public:
    virtual ~TLogoSink() = default;
    virtual void imagesRecreated(const QList<QImage> &defaults) = 0;
    virtual void logoLoaded(int index, const QImage &image) = 0;
    virtual void logoAssigned(int entry, int index) = 0;
    virtual bool stopRequested() = 0;
};

enum class TLogoRunResult { Finished, Stopped };

// The name of the mapping file in the program folder.
inline constexpr const char *kLogoMappingFileName = "LogoMapping.dat";
// The logo folder below the program folder.
inline constexpr const char *kLogoFolderName = "LogoTypes";

// The logo files of a folder: "*.*.gif", sorted by name ignoring case.
QStringList collectLogoFiles(const QString &folder);

// Runs a build or an apply. A build writes the mapping file only when it
// ran to the end; a stopped build leaves the earlier file as it was.
TLogoRunResult runLogoMapping(const TLogoJob &job, TLogoSink &sink);
