#pragma once

#include <QString>
#include <QStringList>

// The author's string routines. They work on whole texts and return new ones;
// only strReplace changes its argument. Any failure inside a routine surfaces
// as an Exception whose text starts with "function <routine>: ".

// "*" matches any run (also an empty one), "?" exactly one character, every
// other character itself, case-sensitively, over the whole text.
bool matchesWildcard(QStringView text, QStringView mask);
// matchesWildcard(upperText(text), upperMask) without making the upper-case
// copy: the grid filters test every name of a list on each key press.
bool matchesWildcardUpper(QStringView text, QStringView upperMask);

// matchesWildcard with useWildcards, else exact case-sensitive equality.
bool strMatches(QStringView text, QStringView mask, bool useWildcards);

// File-name style mask: "*", "?" and character sets ("[a-z]", "[!0-9]"),
// case-insensitive. Throws on a set without its closing bracket.
bool matchesFileMask(QStringView text, QStringView mask);

bool strReplace(QString &text, const QString &find, const QString &replacement,
                bool wildcard, bool caseSensitive);

int stringListIndexOf(const QStringList &list, const QString &text, bool caseSensitive,
                      bool wildcard);

enum FillSide { FillLeft = 0, FillRight = 1 };
QString fillString(const QString &text, QChar fillChar, int length, int side);

// mode: 0 everywhere, 1 leading run, 2 trailing run, 3 both ends.
QString removeCharacters(const QString &characters, const QString &text, int mode);
QString removeWhiteSpaces(const QString &text, int mode);
int countCharacters(QChar character, const QString &text, int mode);

QString reverseStr(const QString &text);
int textPosFromEnd(const QString &find, const QString &text);
QString cutPrefix(const QString &text, const QString &delimiter, int extraOffset);
QString cutPrefix(const QString &text, const QString &delimiter, int extraOffset,
                  bool caseSensitive);
QString cutComment(const QString &text, const QString &commentStart, const QString &commentEnd);

QString convertCharactersToXmlEntities(const QString &text);
// The text without the characters an XML 1.0 file cannot hold in any form,
// not even as a character reference: C0 controls other than TAB, LF and CR
// (NUL included), U+FFFE, U+FFFF and surrogates that are not part of a pair.
// A name holding one would make the saved list unreadable, so names are
// cleaned on their way into the model and again on their way into a file.
QString cleanXmlText(const QString &text);
QString convertCharactersToHtmlEntities(const QString &text);
QString convertHtmlEntitiesToCharacters(const QString &text);
QString htmlToText(const QString &text);

// Numbers above this count as this many: a run of digits in a logo name must
// not turn into an endless string of "M".
inline constexpr qint64 kMaxRomanValue = 100000;
QString decToRoman(qint64 value);
QString decToRomanInStr(const QString &text);

bool isHexNumber(QStringView text);
// One or more of the digits 0 to 9, nothing else (no sign, no blank).
bool isDecimalNumber(QStringView text);
// A DiSEqC position the receiver can use: 0 to 63, the size of its table of
// LNBs, without leading zeros, which its reader takes for an octal number
// ("08" would be read as 0, "010" as 8).
bool isDiseqcPosition(QStringView text);
