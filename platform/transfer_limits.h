#pragma once

#include <QtGlobal>

// How much a transfer may bring and how long it may hang. Each size is far
// above what a real file of its kind weighs, so only a runaway or hostile
// server ever reaches it; the file that was there before then stays.

// services.xml, bouquets.xml and the other files a receiver or the
// ready-made list's web folder holds.
inline constexpr qint64 kChannelListSizeLimit = qint64(64) << 20;
// Web pages and small text files: the KingOfSat pages, "update.txt", the
// receiver's answer to a message.
inline constexpr qint64 kWebPageSizeLimit = qint64(16) << 20;
// One logo picture.
inline constexpr qint64 kLogoSizeLimit = qint64(4) << 20;

// Reaching the server: TCP connect, and for FTP the greeting and login.
inline constexpr int kConnectTimeoutSeconds = 15;
// The longest a transfer may go without a byte moving (body, upload, HTTP
// header or FTP reply). Shorter settings are for tests; longer ones are cut
// to this.
inline constexpr int kStallLimitSeconds = 20;

// The slowest a transfer may go for long. A server that keeps a byte
// moving now and then is never silent for the stall time, yet at 50 bytes
// a second a 66 KB list takes 22 minutes: a transfer that moves less than
// the floor on average over the window is given up. The floor is far below
// any working link, and a transfer shorter than the window is never judged.
inline constexpr qint64 kRateFloorBytesPerSecond = 1024;
inline constexpr int kRateWindowSeconds = 30;

// The floor a transfer is held to. Tests shorten the window or raise the
// floor; a longer window or a lower floor is cut to the limits above.
struct TransferRateFloor {
    qint64 bytesPerSecond = kRateFloorBytesPerSecond;
    int windowSeconds = kRateWindowSeconds;
};
