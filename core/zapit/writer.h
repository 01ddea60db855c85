#pragma once

#include "core/zapit/dialects.h"

#include <QString>

class TServiceList;
class TBouquetList;

// The caption the comment of a written file names when the caller gives none.
QString defaultCreatorCaption();

// One writer for every dialect: the whole file is built in memory in the
// dialect's layout (TAB indentation, " />" for empty elements, LF line
// ends), encoded into `encoding` and saved atomically, so a failed write
// leaves any earlier file as it was. An encoding that is empty, unknown, or
// does not write ASCII as itself (UTF-7, UTF-16, EBCDIC) gives UTF-8, so the
// file always loads again. Every attribute value is escaped, and characters
// no XML file can hold are left out. False with "XML file could not be
// created!" when the file cannot be written.
bool writeZapitFile(const DialectSpec &dialect, const QString &fileName, const QString &encoding,
                    QString &errorText, const TServiceList &list, const QString &creator);
bool writeZapitFile(const DialectSpec &dialect, const QString &fileName, const QString &encoding,
                    QString &errorText, const TBouquetList &list, const QString &creator);

// The file's text before encoding (what writeZapitFile saves).
QString zapitFileText(const DialectSpec &dialect, const QString &encoding,
                      const TServiceList &list, const QString &creator);
QString zapitFileText(const DialectSpec &dialect, const QString &encoding,
                      const TBouquetList &list, const QString &creator);

// `creator` is the main window's caption; the my-services files always name
// the program alone.
bool WriteServicesType01(const QString &fileName, const QString &encoding, QString &errorText,
                         const TServiceList &list, const QString &creator = defaultCreatorCaption());
bool WriteServicesType02(const QString &fileName, const QString &encoding, QString &errorText,
                         const TServiceList &list, const QString &creator = defaultCreatorCaption());
bool WriteServicesType03(const QString &fileName, const QString &encoding, QString &errorText,
                         const TServiceList &list, const QString &creator = defaultCreatorCaption());
bool WriteServicesType04(const QString &fileName, const QString &encoding, QString &errorText,
                         const TServiceList &list, const QString &creator = defaultCreatorCaption());
bool WriteServicesType05(const QString &fileName, const QString &encoding, QString &errorText,
                         const TServiceList &list, const QString &creator = defaultCreatorCaption());
bool WriteServicesType06(const QString &fileName, const QString &encoding, QString &errorText,
                         const TServiceList &list, const QString &creator = defaultCreatorCaption());
bool WriteMyServicesType01(const QString &fileName, const QString &encoding, QString &errorText,
                           const TServiceList &list);
bool WriteMyServicesType02(const QString &fileName, const QString &encoding, QString &errorText,
                           const TServiceList &list);
bool WriteBouquetsType01(const QString &fileName, const QString &encoding, QString &errorText,
                         const TBouquetList &list, const QString &creator = defaultCreatorCaption());
bool WriteBouquetsType02(const QString &fileName, const QString &encoding, QString &errorText,
                         const TBouquetList &list, const QString &creator = defaultCreatorCaption());
bool WriteBouquetsType03(const QString &fileName, const QString &encoding, QString &errorText,
                         const TBouquetList &list, const QString &creator = defaultCreatorCaption());
bool WriteBouquetsType04(const QString &fileName, const QString &encoding, QString &errorText,
                         const TBouquetList &list, const QString &creator = defaultCreatorCaption());
