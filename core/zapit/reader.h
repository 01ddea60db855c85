#pragma once

#include "core/zapit/dialects.h"

#include <QtGlobal>

class XmlDocument;
class TServiceList;
class TBouquetList;

// Result codes of the readers.
inline constexpr quint8 kReadComplete = 0;
inline constexpr quint8 kReadTooDeep = 255;            // an element below the deepest level
inline constexpr quint8 kReadUnknownAttributeLevel1 = 254;
inline constexpr quint8 kReadUnknownAttributeLevel2 = 253;
inline constexpr quint8 kReadUnknownAttributeLevel3 = 252;

// One walker reads every dialect: each element below the root becomes the
// model object of its level (the level decides, not the element's name),
// filled from its attributes and handed to its parent once its children are
// read, so the model's merging on add folds repeated satellites, transponders
// and services into one. The list is not cleared first; its FormatName is set
// before anything is read.
quint8 readZapitDocument(const DialectSpec &dialect, const XmlDocument &document,
                         TServiceList &list);
quint8 readZapitDocument(const DialectSpec &dialect, const XmlDocument &document,
                         TBouquetList &list);

quint8 ReadServicesType01(const XmlDocument &document, TServiceList &list);
quint8 ReadServicesType02(const XmlDocument &document, TServiceList &list);
quint8 ReadServicesType03(const XmlDocument &document, TServiceList &list);
quint8 ReadServicesType04(const XmlDocument &document, TServiceList &list);
quint8 ReadServicesType05(const XmlDocument &document, TServiceList &list);
quint8 ReadServicesType06(const XmlDocument &document, TServiceList &list);
quint8 ReadMyServicesType01(const XmlDocument &document, TServiceList &list);
quint8 ReadMyServicesType02(const XmlDocument &document, TServiceList &list);
quint8 ReadBouquetsType01(const XmlDocument &document, TBouquetList &list);
quint8 ReadBouquetsType02(const XmlDocument &document, TBouquetList &list);
quint8 ReadBouquetsType03(const XmlDocument &document, TBouquetList &list);
quint8 ReadBouquetsType04(const XmlDocument &document, TBouquetList &list);
