#pragma once

#include <QString>

// Sizes of a generated set of working files.
struct TGeneratedListSizes {
    int services = 100000;
    int myServices = 20000;
    int bouquets = 200;
    int bouquetEntries = 500; // per bouquet
};

// Writes "Services.xml", "MyServices.xml" and "Bouquets.xml" into `folder`,
// shaped like a receiver's real lists: several satellites, transponders of
// 20 to 60 services, TV, radio and data mixed, names with "&", umlauts and
// Cyrillic. The my-services entries and the bouquet entries mostly name
// services of the list, so linking has real work. The same sizes always give
// the same files (fixed seed). False when a file could not be written.
bool writeGeneratedLists(const QString &folder, const TGeneratedListSizes &sizes = {});

// Loads and links the files of `folder` the way the program does and checks
// they hold what writeGeneratedLists promised; on failure `report` says what
// differs, on success it summarises the lists (with a warning when bouquet
// entries stayed unlinked although each names a service of the list).
bool checkGeneratedLists(const QString &folder, const TGeneratedListSizes &sizes, QString &report);
