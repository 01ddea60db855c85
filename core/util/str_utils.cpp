#include "core/util/str_utils.h"

#include "core/util/exception.h"
#include "core/util/messages.h"
#include "core/util/text_compare.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The classic single-star backtracking match: on a mismatch, retry from the
// most recent "*" with its run one character longer. Every token of the mask
// other than "*" stands for exactly one character of the text.
template <typename IsStar, typename MatchesOne>
bool backtrackingMatch(qsizetype textLength, qsizetype maskLength, IsStar isStar,
                       MatchesOne matchesOne)
{
    qsizetype t = 0;
    qsizetype m = 0;
    qsizetype starMask = -1;
    qsizetype starText = 0;
    while (t < textLength) {
        if (m < maskLength && !isStar(m) && matchesOne(m, t)) {
            ++t;
            ++m;
        } else if (m < maskLength && isStar(m)) {
            starMask = m++;
            starText = t;
        } else if (starMask >= 0) {
            m = starMask + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (m < maskLength && isStar(m))
        ++m;
    return m == maskLength;
}

// One token of a file-name mask.
struct MaskToken {
    enum Kind { Literal, AnyOne, Star, Set } kind;
    QChar literal;
    bool negated = false;
    QList<std::pair<QChar, QChar>> ranges;
};

QChar upperChar(QChar c)
{
    return c.toUpper();
}

QList<MaskToken> parseFileMask(QStringView mask)
{
    QList<MaskToken> tokens;
    const qsizetype n = mask.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = mask.at(i);
        if (c == u'*') {
            tokens.append({MaskToken::Star, {}, false, {}});
        } else if (c == u'?') {
            tokens.append({MaskToken::AnyOne, {}, false, {}});
        } else if (c == u'[') {
            const qsizetype close = mask.indexOf(u']', i + 1);
            if (close < 0) {
                throw Exception(FormatMsg2(msg(MsgInvalidMask), mask.toString(),
                                           QString::number(i + 1)));
            }
            MaskToken set{MaskToken::Set, {}, false, {}};
            qsizetype j = i + 1;
            if (j < close && mask.at(j) == u'!') {
                set.negated = true;
                ++j;
            }
            while (j < close) {
                const QChar from = upperChar(mask.at(j));
                if (j + 2 < close && mask.at(j + 1) == u'-') {
                    set.ranges.append({from, upperChar(mask.at(j + 2))});
                    j += 3;
                } else {
                    set.ranges.append({from, from});
                    ++j;
                }
            }
            tokens.append(set);
            i = close;
        } else {
            tokens.append({MaskToken::Literal, upperChar(c), false, {}});
        }
    }
    return tokens;
}

bool tokenMatches(const MaskToken &token, QChar c)
{
    const QChar u = upperChar(c);
    switch (token.kind) {
    case MaskToken::Literal:
        return token.literal == u;
    case MaskToken::AnyOne:
        return true;
    case MaskToken::Set: {
        bool inSet = false;
        for (const auto &[from, to] : token.ranges)
            inSet = inSet || (u >= from && u <= to);
        return inSet != token.negated;
    }
    case MaskToken::Star:
        break;
    }
    return false;
}

bool matchesTokens(QStringView text, const QList<MaskToken> &tokens)
{
    return backtrackingMatch(
        text.size(), tokens.size(),
        [&](qsizetype m) { return tokens[m].kind == MaskToken::Star; },
        [&](qsizetype m, qsizetype t) { return tokenMatches(tokens[m], text.at(t)); });
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

template <typename Pred>
QString removeMatching(const QString &text, int mode, Pred remove)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    if (mode == 1 || mode == 3) {
        while (begin < end && remove(text.at(begin)))
            ++begin;
    }
    if (mode == 2 || mode == 3) {
        while (end > begin && remove(text.at(end - 1)))
            --end;
    }
    if (mode != 0)
        return text.mid(begin, end - begin);
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (!remove(c))
            result += c;
    }
    return result;
}

struct EntityPair {
    const char16_t *entity;
    char16_t character;
};

// Applied in this order. "&amp;" must come first in both directions: towards
// entities so the ampersands of later entities are not escaped again, towards
// characters so "&amp;lt;" ends as "<".
constexpr std::array<EntityPair, 67> kHtmlEntities{{
    {u"&amp;", u'&'},       {u"&num;", u'#'},      {u"&plusmn;", u'\u00B1'},
    {u"&lt;", u'<'},        {u"&equals;", u'='},   {u"&gt;", u'>'},
    {u"&percnt;", u'%'},    {u"&ast;", u'*'},      {u"&commat;", u'@'},
    {u"&lsqb;", u'['},      {u"&rsqb;", u']'},     {u"&bsol;", u'\\'},
    {u"&verbar;", u'|'},    {u"&para;", u'\u00B6'}, {u"&copy;", u'\u00A9'},
    {u"&reg;", u'\u00AE'},  {u"&quot;", u'"'},     {u"&laquo;", u'\u00AB'},
    {u"&raquo;", u'\u00BB'}, {u"&lsquo;", u'\u2018'}, {u"&rsquo;", u'\u2019'},
    {u"&ldquo;", u'\u201C'}, {u"&rdquo;", u'\u201D'}, {u"&#8209;", u'-'},
    {u"&deg;", u'\u00B0'},  {u"&sect;", u'\u00A7'}, {u"&trade;", u'\u2122'},
    {u"&brvbar;", u'\u00A6'}, {u"&middot;", u'\u00B7'}, {u"&ordf;", u'\u00AA'},
    {u"&divide;", u'\u00F7'}, {u"&times;", u'\u00D7'}, {u"&curren;", u'\u00A4'},
    {u"&pound;", u'\u00A3'}, {u"&dollar;", u'$'},   {u"&cent;", u'\u00A2'},
    {u"&yen;", u'\u00A5'},  {u"&micro;", u'\u00B5'}, {u"&nbsp;", u' '},
    {u"&ouml;", u'\u00F6'}, {u"&uuml;", u'\u00FC'}, {u"&auml;", u'\u00E4'},
    {u"&Ouml;", u'\u00D6'}, {u"&Uuml;", u'\u00DC'}, {u"&Auml;", u'\u00C4'},
    {u"&grave;", u'`'},     {u"&agrave;", u'\u00E0'}, {u"&egrave;", u'\u00E8'},
    {u"&igrave;", u'\u00EC'}, {u"&ograve;", u'\u00F2'}, {u"&ugrave;", u'\u00F9'},
    {u"&Agrave;", u'\u00C0'}, {u"&Egrave;", u'\u00C8'}, {u"&Igrave;", u'\u00CC'},
    {u"&Ograve;", u'\u00D2'}, {u"&Ugrave;", u'\u00D9'}, {u"&acute;", u'\u00B4'},
    {u"&aacute;", u'\u00E1'}, {u"&eacute;", u'\u00E9'}, {u"&iacute;", u'\u00ED'},
    {u"&oacute;", u'\u00F3'}, {u"&uacute;", u'\u00FA'}, {u"&Aacute;", u'\u00C1'},
    {u"&Eacute;", u'\u00C9'}, {u"&Iacute;", u'\u00CD'}, {u"&Oacute;", u'\u00D3'},
    {u"&Uacute;", u'\u00DA'},
}};

constexpr std::array<std::pair<int, const char *>, 13> kRomanDigits{{
    {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
    {40, "XL"}, {10, "X"}, {9, "IX"}, {5, "V"}, {4, "IV"}, {1, "I"},
}};

} // namespace

bool matchesWildcard(QStringView text, QStringView mask)
{
    return backtrackingMatch(
        text.size(), mask.size(), [&](qsizetype m) { return mask.at(m) == u'*'; },
        [&](qsizetype m, qsizetype t) { return mask.at(m) == u'?' || mask.at(m) == text.at(t); });
}

bool matchesWildcardUpper(QStringView text, QStringView upperMask)
{
    const bool pairs = std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); });
    if (pairs)
        return matchesWildcard(upperText(text), upperMask);
    // The same mapping upperText applies to a character outside a surrogate
    // pair: its upper case, unless that would need two code units.
    const auto upper = [](QChar c) {
        const char32_t mapped = QChar::toUpper(char32_t(c.unicode()));
        return QChar::requiresSurrogates(mapped) ? c : QChar(char16_t(mapped));
    };
    return backtrackingMatch(
        text.size(), upperMask.size(), [&](qsizetype m) { return upperMask.at(m) == u'*'; },
        [&](qsizetype m, qsizetype t) {
            return upperMask.at(m) == u'?' || upperMask.at(m) == upper(text.at(t));
        });
}

bool strMatches(QStringView text, QStringView mask, bool useWildcards)
{
    return useWildcards ? matchesWildcard(text, mask) : text == mask;
}

bool matchesFileMask(QStringView text, QStringView mask)
{
    return matchesTokens(text, parseFileMask(mask));
}

bool strReplace(QString &text, const QString &find, const QString &replacement, bool wildcard,
                bool caseSensitive)
{
    return guardRoutine("strReplace", [&]() -> bool {
        if (find.isEmpty())
            return false;
        // Compare on a case-mapped copy whose characters stay in place; what is
        // kept is always copied from the input, so its case survives.
        const QString copy = caseSensitive ? text : upperText(text);
        const QString pattern = caseSensitive ? find : upperText(find);
        if (!wildcard && !copy.contains(pattern))
            return false;
        const QList<MaskToken> tokens = wildcard ? parseFileMask(pattern) : QList<MaskToken>();
        const bool hasStar = wildcard && pattern.contains(u'*');
        const qsizetype n = text.size();
        // A mask's window is as wide as the characters it stands for: "[0-9]"
        // is one character, and "<*>" can match "<>".
        const qsizetype patternLength = wildcard
            ? std::count_if(tokens.cbegin(), tokens.cend(),
                            [](const MaskToken &t) { return t.kind != MaskToken::Star; })
            : pattern.size();
        const QStringView copyView(copy);

        QString result;
        result.reserve(n);
        qsizetype i = 0;
        while (i < n) {
            bool matched = false;
            qsizetype windowLength = std::max<qsizetype>(patternLength, 1);
            if (!hasStar) {
                if (i + patternLength <= n) {
                    const QStringView window = copyView.mid(i, patternLength);
                    matched = wildcard ? matchesTokens(window, tokens) : window == pattern;
                }
            } else {
                for (qsizetype len = std::max<qsizetype>(patternLength, 1); i + len <= n && !matched;
                     ++len) {
                    if (matchesTokens(copyView.mid(i, len), tokens)) {
                        matched = true;
                        windowLength = len;
                    }
                }
                while (matched && i + windowLength < n
                       && matchesTokens(copyView.mid(i, windowLength + 1), tokens)) {
                    ++windowLength;
                }
            }
            if (matched) {
                result += replacement;
                i += windowLength;
            } else {
                result += text.at(i);
                ++i;
            }
        }
        text = result;
        return true;
    });
}

int stringListIndexOf(const QStringList &list, const QString &text, bool caseSensitive,
                      bool wildcard)
{
    const QString wanted = caseSensitive ? text : upperText(text);
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString item = caseSensitive ? list.at(i) : upperText(list.at(i));
        if (wildcard ? matchesWildcard(item, wanted) : item == wanted)
            return int(i);
    }
    return -1;
}

QString fillString(const QString &text, QChar fillChar, int length, int side)
{
    if (text.size() >= length)
        return text;
    const QString fill(length - text.size(), fillChar);
    return side == FillLeft ? fill + text : text + fill;
}

QString removeCharacters(const QString &characters, const QString &text, int mode)
{
    if (characters.isEmpty() || text.isEmpty())
        return text;
    return removeMatching(text, mode, [&](QChar c) { return characters.contains(c); });
}

QString removeWhiteSpaces(const QString &text, int mode)
{
    return removeMatching(text, mode, isBlank);
}

int countCharacters(QChar character, const QString &text, int mode)
{
    if (mode == 0)
        return int(text.count(character));
    int leading = 0;
    int trailing = 0;
    while (leading < text.size() && text.at(leading) == character)
        ++leading;
    while (trailing < text.size() && text.at(text.size() - 1 - trailing) == character)
        ++trailing;
    switch (mode) {
    case 1:
        return leading;
    case 2:
        return trailing;
    case 3:
        return leading + trailing;
    default:
        return 0;
    }
}

QString reverseStr(const QString &text)
{
    // Surrogate pairs are kept together so the reversed text is still valid.
    QString result;
    result.reserve(text.size());
    for (qsizetype i = text.size(); i > 0;) {
        if (i >= 2 && text.at(i - 1).isLowSurrogate() && text.at(i - 2).isHighSurrogate()) {
            result += text.at(i - 2);
            result += text.at(i - 1);
            i -= 2;
        } else {
            result += text.at(--i);
        }
    }
    return result;
}

int textPosFromEnd(const QString &find, const QString &text)
{
    if (find.isEmpty())
        return 0;
    const qsizetype pos = upperText(text).indexOf(upperText(find));
    return pos < 0 ? 0 : int(text.size() - (pos + 1));
}

QString cutPrefix(const QString &text, const QString &delimiter, int extraOffset)
{
    return cutPrefix(text, delimiter, extraOffset, true);
}

QString cutPrefix(const QString &text, const QString &delimiter, int extraOffset,
                  bool caseSensitive)
{
    if (delimiter.isEmpty())
        return text;
    const qsizetype pos = caseSensitive ? text.indexOf(delimiter)
                                        : lowerText(text).indexOf(lowerText(delimiter));
    if (pos < 0)
        return text;
    const qsizetype from = std::max<qsizetype>(0, pos + delimiter.size() + extraOffset);
    return text.mid(from);
}

QString cutComment(const QString &text, const QString &commentStart, const QString &commentEnd)
{
    if (commentStart.isEmpty())
        return text;
    // Innermost and last comment first: the last start always opens a comment
    // that holds no further start, and a cut may join the text around it into
    // a new start. Cutting in place moved the growing rest of the text once
    // per comment, so the work goes from the end instead: the text is always
    // the input's first `head` characters followed by the part already looked
    // at, which holds no start. That part is kept reversed, so that cutting
    // from its front is a truncation.
    const QStringView input(text);
    const QStringView start(commentStart);
    const QStringView end(commentEnd);
    QString endReversed;
    for (qsizetype i = end.size(); i > 0; --i)
        endReversed += end[i - 1];
    qsizetype head = input.size();
    QString tailReversed;
    bool cut = false;
    const auto charAt = [&](qsizetype i) {
        return i < head ? input[i] : tailReversed[tailReversed.size() - 1 - (i - head)];
    };
    const auto occursAt = [&](QStringView what, qsizetype i) {
        if (i < 0 || i + what.size() > head + tailReversed.size())
            return false;
        for (qsizetype k = 0; k < what.size(); ++k) {
            if (charAt(i + k) != what[k])
                return false;
        }
        return true;
    };
    // Every backward search names its position: without one, Qt 6.4 finds a
    // one-character needle just past the end of a view.
    for (;;) {
        // A start reaching from the head into the rest, else the head's last.
        qsizetype open = -1;
        for (qsizetype i = head - 1; i > head - start.size() && i >= 0 && open < 0; --i) {
            if (occursAt(start, i))
                open = i;
        }
        if (open < 0 && head >= start.size())
            open = input.first(head).lastIndexOf(start, -1);
        if (open < 0)
            break;
        cut = true;
        qsizetype close = -1;
        if (!end.isEmpty()) {
            const qsizetype from = open + start.size() - 1;
            if (from < head)
                close = input.first(head).indexOf(end, from);
            for (qsizetype i = std::max(from, head - end.size() + 1); close < 0 && i < head; ++i) {
                if (occursAt(end, i))
                    close = i;
            }
            const qsizetype tailFrom = std::max<qsizetype>(from - head, 0);
            const qsizetype tailSize = tailReversed.size();
            if (close < 0 && tailSize - tailFrom >= end.size()) {
                const qsizetype reversedAt =
                    QStringView(tailReversed).first(tailSize - tailFrom).lastIndexOf(endReversed, -1);
                if (reversedAt >= 0)
                    close = head + tailSize - reversedAt - end.size();
            }
        }
        if (close < 0) {
            tailReversed.clear();
        } else if (const qsizetype after = close + end.size(); after <= head) {
            for (qsizetype i = head; i > after; --i)
                tailReversed += input[i - 1];
        } else {
            tailReversed.chop(after - head);
        }
        head = open;
    }
    if (!cut)
        return text;
    QString result;
    result.reserve(head + tailReversed.size());
    result.append(input.first(head));
    for (qsizetype i = tailReversed.size(); i > 0; --i)
        result += tailReversed[i - 1];
    return result;
}

QString convertCharactersToXmlEntities(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&': result += u"&amp;"; break;
        case u'<': result += u"&lt;"; break;
        case u'>': result += u"&gt;"; break;
        case u'"': result += u"&quot;"; break;
        case u'\'': result += u"&apos;"; break;
        default: result += c;
        }
    }
    return result;
}

namespace {

bool isXmlCharacter(char32_t c)
{
    if (c < 0x20)
        return c == u'\t' || c == u'\n' || c == u'\r';
    return c < 0xD800 || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The length of the XML character at `i`: 1, or 2 for a surrogate pair;
// 0 when the code unit there starts nothing an XML file can hold.
qsizetype xmlCharacterLength(const QString &text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate()) {
        return i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 0;
    }
    return isXmlCharacter(c.unicode()) ? 1 : 0;
}

} // namespace

QString cleanXmlText(const QString &text)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const qsizetype length = xmlCharacterLength(text, i);
        if (length == 0)
            break;
        i += length;
    }
    if (i == size)
        return text;
    QString result;
    result.reserve(size);
    result.append(QStringView(text).left(i));
    while (i < size) {
        const qsizetype length = xmlCharacterLength(text, i);
        if (length > 0)
            result.append(QStringView(text).mid(i, length));
        i += std::max<qsizetype>(length, 1);
    }
    return result;
}

QString convertCharactersToHtmlEntities(const QString &text)
{
    return guardRoutine("convertCharactersToHtmlEntities", [&] {
        QString result = text;
        // Case-sensitive: "Ö" must become "&Ouml;", not the "&ouml;" a
        // case-blind search for "ö" would find first.
        for (const auto &pair : kHtmlEntities)
            strReplace(result, QString(QChar(pair.character)), QString::fromUtf16(pair.entity),
                       false, true);
        return result;
    });
}

QString convertHtmlEntitiesToCharacters(const QString &text)
{
    return guardRoutine("convertHtmlEntitiesToCharacters", [&] {
        QString result = text;
        bool first = true;
        for (const auto &pair : kHtmlEntities) {
            strReplace(result, QString::fromUtf16(pair.entity), QString(QChar(pair.character)),
                       false, true);
            if (first) {
                strReplace(result, QStringLiteral("&semi;"), QStringLiteral(";"), false, true);
                first = false;
            }
        }
        return result;
    });
}

QString htmlToText(const QString &text)
{
    return guardRoutine("htmlToText", [&] {
        // Tags go only when there is one, a "<" with a ">" somewhere after it;
        // a lone "<" is text. One cut leaves no "<" behind.
        const qsizetype open = text.indexOf(u'<');
        QString result = open >= 0 && text.indexOf(u'>', open + 1) >= 0
            ? cutComment(text, QStringLiteral("<"), QStringLiteral(">"))
            : text;
        result = convertHtmlEntitiesToCharacters(result);
        result = removeWhiteSpaces(removeWhiteSpaces(result, 1), 2);
        return cleanXmlText(cutPrefix(result, QStringLiteral("@ "), 0));
    });
}

namespace {

// Writes the letters straight into `out`: names with long numbers would
// otherwise build and copy a temporary text per number, and a number in the
// ten thousands is a run of dozens of "M"s.
void appendRoman(QString &out, qint64 value)
{
    qint64 rest = std::min(value, kMaxRomanValue);
    // At most one letter per thousand and fifteen for the rest.
    const qsizetype start = out.size();
    const qsizetype needed = start + qsizetype(rest / 1000) + 16;
    if (out.capacity() < needed)
        out.reserve(std::max(needed, out.capacity() * 2));
    out.resize(needed);
    char16_t *to = reinterpret_cast<char16_t *>(out.data()) + start;
    for (const auto &[number, letters] : kRomanDigits) {
        if (rest < number)
            continue;
        const qint64 times = rest / number;
        for (qint64 i = 0; i < times; ++i) {
            for (const char *letter = letters; *letter; ++letter)
                *to++ = char16_t(*letter);
        }
        rest -= times * number;
    }
    out.truncate(to - reinterpret_cast<const char16_t *>(out.constData()));
}

} // namespace

QString decToRoman(qint64 value)
{
    QString result;
    appendRoman(result, value);
    return result;
}

QString decToRomanInStr(const QString &text)
{
    QString result;
    result.reserve(text.size() * 2);
    bool inRun = false;
    qint64 run = 0;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            run = std::min(run * 10 + (c.unicode() - u'0'), kMaxRomanValue);
            inRun = true;
            continue;
        }
        result += c;
        if (inRun) {
            appendRoman(result, run);
            inRun = false;
            run = 0;
        }
    }
    if (inRun)
        appendRoman(result, run);
    return result;
}

bool isDecimalNumber(QStringView text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool isDiseqcPosition(QStringView text)
{
    constexpr int kLastPosition = 63;
    return isDecimalNumber(text) && text.size() <= 2 && (text.size() == 1 || text[0] != u'0')
        && text.toInt() <= kLastPosition;
}

bool isHexNumber(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')
            || (c >= u'A' && c <= u'F');
        if (!hex)
            return false;
    }
    return true;
}
