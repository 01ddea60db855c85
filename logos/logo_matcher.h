#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVarLengthArray>

#include <vector>

// What kind of service a name belongs to: only TV and radio services get
// logos, and each kind has its own file suffix.
enum class TLogoKind { Other, Tv, Radio };

// The suffix of the logo files of a kind (".tv.gif", ".radio.gif").
QString logoSuffix(TLogoKind kind);

// A service name brought into the form logo file names have: characters a
// file name cannot hold removed, the usual accented vowels and umlauts
// spelt out in plain letters ("Österreich" -> "oesterreich" only for the
// umlauts; case is kept otherwise).
QString foldAccents(const QString &text);

// The logo files of the logo folder, indexed so that a wildcard pattern
// finds the first file (in list order) it matches without walking the whole
// list: exact names by hash, "X*" and "*X" by sorted tables, anything else
// through the rarest three-letter piece of its longest literal run. Matching
// ignores case. A look-up of nothing (an empty text) or a loose one without
// a letter (a pattern of wildcards and digits, a start, end or part of
// digits alone) finds no file: it would say nothing about the name it came
// from. Read-only once built, so several threads may share one.
class TLogoFileIndex
{
public:
    // `parallel` builds the TV and radio tables on two cores.
    explicit TLogoFileIndex(const QStringList &fileNames, bool parallel = true);

    const QStringList &FileNames() const { return m_fileNames; }
    // The first file name matching `pattern` + the kind's suffix ("*" is the
    // only wildcard a pattern holds), or -1.
    int FirstMatch(TLogoKind kind, const QString &pattern) const;
    // The same for a pattern already in upper case.
    int FirstMatchUpper(TLogoKind kind, QStringView pattern) const;
    // The first file whose name before the suffix contains `text` (upper
    // case), or -1; and the length of the longest start of `text` that is
    // the start of / contained in some such name.
    int FirstContainingUpper(TLogoKind kind, QStringView text) const;
    // Exact names, starts and ends (upper case), without making a pattern.
    int ExactUpper(TLogoKind kind, QStringView text) const;
    int FirstStartingWithUpper(TLogoKind kind, QStringView start) const;
    int FirstEndingWithUpper(TLogoKind kind, QStringView end) const;
    qsizetype LongestSharedStartUpper(TLogoKind kind, QStringView text) const;
    qsizetype LongestContainedStartUpper(TLogoKind kind, QStringView text) const;

private:
    struct Group {
        std::vector<QString> stems;       // upper-cased, file order
        std::vector<int> files;           // index into m_fileNames
        QHash<QString, int> exact;        // stem -> first position
        std::vector<QString> reversed;    // reversed stems, by position
        // Texts in sorted order with their positions. Each carries its first
        // four units, and the four after them, packed into numbers that sort
        // the same way, so a search mostly compares numbers lying side by
        // side instead of reaching for the text.
        struct Sorted {
            std::vector<QString> texts;
            std::vector<quint64> keys;
            std::vector<quint64> nextKeys;
            std::vector<int> order;
            std::vector<std::vector<int>> minima; // over order, for ranges
            void build(const std::vector<QString> &byPosition);
            // The first place whose text is not less than `text`.
            std::size_t lowerBound(QStringView text) const;
            // The end of the run from `from` on whose texts start with `prefix`.
            std::size_t prefixEnd(std::size_t from, QStringView prefix) const;
        };
        Sorted byStem, byReversed;
        QHash<quint64, std::vector<int>> trigrams;              // positions, ascending
        void build(bool parallel);
        int firstWithPrefix(QStringView prefix, const Sorted &sorted) const;
        int firstGeneral(QStringView pattern) const;
        int firstEndingWith(QStringView end) const;
        // Stems holding `text`, ascending; null when `text` is too short to
        // narrow them down (every stem is then a candidate).
        const std::vector<int> *candidatesFor(QStringView text) const;
        int firstContaining(QStringView text) const;
    };
    const Group &group(TLogoKind kind) const { return kind == TLogoKind::Tv ? m_tv : m_radio; }

    QStringList m_fileNames;
    Group m_tv, m_radio;
};

// Finds the logo file of a service by its name, trying the name's usual
// spellings from the exact one down to loose partial matches. One matcher
// belongs to one thread; it remembers what it worked out, so services of
// the same name cost one look-up.
class TLogoMatcher
{
public:
    explicit TLogoMatcher(const TLogoFileIndex &index) : m_index(index) {}

    // The logo file name for a service, or an empty text when it gets none.
    QString MatchLogoFile(const QString &serviceName, TLogoKind kind);
    // The same as the place of the file in the index's list, or -1.
    int MatchLogoFileIndex(const QString &serviceName, TLogoKind kind);
    // Makes room for remembering about this many names.
    void Reserve(std::size_t names);

private:
    // Patterns are built in place, without touching the heap for names of
    // a usual length.
    using TBuffer = QVarLengthArray<char16_t, 128>;

    bool tryPattern(TLogoKind kind, QStringView pattern, int &found);
    bool firstPhase(const QString &base, TLogoKind kind, int &found);
    bool secondPhase(const QString &base, const QString &upperBase, TLogoKind kind, int &found);
    bool shortenedPhase(const QString &base, TLogoKind kind, int &found);
    // The index of the file in the index's list, or -1.
    int matchUncached(const QString &serviceName, TLogoKind kind);
    void growRemembered();

    const TLogoFileIndex &m_index;
    // Patterns come already upper-cased unless upper case changes a name's
    // length (as "ß" does), when each pattern is upper-cased on its own.
    bool m_upper = true;
    TBuffer m_pattern;
    // Every name met so far with its answer. The slots hold a name's hash
    // (high half) and its place in m_remembered plus one (low half), 0 for
    // a free slot; they stay at most half full, so probes are short.
    struct Remembered {
        QString name;
        TLogoKind kind;
        int file;
    };
    std::vector<Remembered> m_remembered;
    std::vector<quint64> m_slots;
};
