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
