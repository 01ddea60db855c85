#pragma once

#include <QString>

// Writes a services.xml in dialect 6 (satellites with position, numbered
// channels) holding `services` services, shaped like the lists receivers
// carry: satellites of a few hundred transponders, transponders of a handful
// to a hundred services (radio bouquets are the big ones), random hex ids,
// real-looking frequencies and symbol rates, and names as broadcasters spell
// them - umlauts and accents, Cyrillic, Greek and Arabic, "&amp;" and
// "&apos;", long event and regional names. The same arguments always give
// the same file.
//
// Every `renameEvery`-th service gets another name (0: none), so two
// generated files differ in that share and nothing else.
bool writeGeneratedServices(const QString &fileName, int services, int renameEvery = 0);

// The same dialect with the traits that make real lists heavier to hold than
// the file above: names twice as long, escaped every way a file may carry
// them ("&amp;", "&quot;", "&apos;", "&#233;", "&#x2013;") beside raw
// umlauts, Cyrillic and Greek; 6 to 110 services a transponder; every id,
// network id and frequency random, so that few values repeat.
// `renameEvery` as above.
bool writeRealTraitsServices(const QString &fileName, int services, int renameEvery = 0);

// Writes a services.xml in the same dialect holding one satellite of
// `transponders` transponders with one to four services each: a load that
// looks for each transponder among all read before it shows on this shape.
bool writeOneSateliteServices(const QString &fileName, int transponders);
