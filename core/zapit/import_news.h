#pragma once

#include <QString>
#include <QStringList>

class TServiceList;

// The import news: what changed between the services list held before an
// import and the one just read. Each line is the service name, ";" and the
// satellite (or cable network) name, both as newsField writes them; data
// services are never listed.
struct ServiceDiff {
    QStringList newServices;
    QStringList deletedServices;
    QStringList changedServices; // same satellite, name and id, other or changed transponder
};

inline const QString kNewServicesFile = QStringLiteral("NewServices.dat");
inline const QString kDeletedServicesFile = QStringLiteral("DeletedServices.dat");
inline const QString kChangedServicesFile = QStringLiteral("ChangedServices.dat");

// A name as a news line holds it: ";", CR and LF become "%3B", "%0D" and
// "%0A", and a "%" that would begin one of them or "%25" becomes "%25". All
// else stays as it is: a name without those characters is written, and read
// by any reader, as it always was, and one with them reads back whole.
QString newsField(QStringView text);

// A line of a news file: the service name (up to the first ";") and the
// satellite name, their escapes read back.
QStringList readNewsLine(QStringView line);

// Compares the lists and sorts the three line lists. `previous` is left as
// it is; the services reported as new are marked in `next`.
ServiceDiff compareServiceLists(const TServiceList &previous, TServiceList &next);

// Writes the three files into `folder` (each replaced whole; CR LF line
// ends, UTF-8). False with an error text naming the file that could not be
// written; files already written stay, the rest keep their earlier content.
bool saveServiceDiff(const ServiceDiff &diff, const QString &folder, QString &errorText);

// compareServiceLists, then saveServiceDiff into `folder` (the program's
// folder in the running program).
bool WriteServiceDiff(const TServiceList &previous, TServiceList &next, QString &errorText,
                      const QString &folder);
