#pragma once

#include "core/zapit/dialects.h"

#include <QStringList>

class XmlNode;

// Adds to the two lists the distinct element and attribute names found from
// `first` on: the node, its attributes, its children, then its siblings.
// Names of text and comment nodes ("#...") are left out; names are compared
// case-sensitively and pooled over all levels.
void CollectNames(QStringList &elementNames, QStringList &attributeNames, const XmlNode &first);

// services.xml and bouquets.xml: the first dialect whose element and
// attribute names equal the collected ones as sets; 0 when none does.
int DetectServicesDialect(const QStringList &elementNames, const QStringList &attributeNames);
int DetectBouquetDialect(const QStringList &elementNames, const QStringList &attributeNames);
// myservices.xml: the first dialect all of whose names occur among the
// collected ones (further names do not matter); 0 when none does.
int DetectMyServicesDialect(const QStringList &elementNames, const QStringList &attributeNames);

int detectZapitDialect(ZapitKind kind, const QStringList &elementNames,
                       const QStringList &attributeNames);

// What detection found in a file: the dialect (0 for none) and how many of
// its levels the file holds, all of them or, for a file without a service or
// a bouquet entry, fewer.
struct ZapitDetection {
    int dialect = 0;
    int levels = 0;
};

// The dialect of a parsed file, from the names below its root element:
// detectZapitDialect's, when the file holds the names of every level.
// Otherwise a file whose root is <zapit> and whose names are exactly those of
// a dialect's upper levels is that dialect: it is what the writers make of a
// list without services (or entries), down to an empty list. Such a file can
// fit several dialects, an empty one every dialect of its kind; then it is
// `preferred` when that is one of them, else the first.
ZapitDetection detectZapitFile(ZapitKind kind, const XmlNode &root, int preferred);
