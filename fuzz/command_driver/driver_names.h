#pragma once

// What the bouquet and my-services entries name, for the check that a
// command which is to keep every name (Optimize, adding services to the
// my-services) leaves no entry naming nothing that named a service before.

#include "core/model/service_key.h"

#include <QHash>
#include <QSet>
#include <QStringList>

struct TProgram;

struct TNamedEntries {
    // The entries that named a service, with their ids and a text for the
    // finding (the entry may be gone by then).
    struct Named {
        TServiceKey ids;
        QString text;
    };
    QHash<const void *, Named> named;
    // The ids of the data services, which Optimize may remove on purpose.
    QSet<TServiceKey> dataIds;
};

// A bouquet entry names a service when the services list holds one of its
// ids or a my-services entry that is not obsolete has them; a my-services
// entry names one while it is not obsolete.
TNamedEntries namedEntries(const TProgram &program);
// One "NAMES" finding per entry still there that named a service before and
// names none now, but for those of data services when `dataMayGo` and for
// those the command changed on purpose.
QStringList lostNames(const TNamedEntries &before, const TProgram &program, bool dataMayGo,
                      const QSet<const void *> &changedOnPurpose);
