#include "gif/color_reduction.h"

#include <algorithm>

int TNetscapeColorLookup::Lookup(int red, int green, int blue, int &r, int &g, int &b) const
{
    const int lr = (red + 3) / kLevelStep;
    const int lg = (green + 3) / kLevelStep;
    const int lb = (blue + 3) / kLevelStep;
    r = lr * kLevelStep;
    g = lg * kLevelStep;
    b = lb * kLevelStep;
    return lr * kLevels * kLevels + lg * kLevels + lb;
}

const QList<QRgb> &WebPalette()
{
    static const QList<QRgb> palette = [] {
        QList<QRgb> p;
        constexpr int n = TNetscapeColorLookup::kLevels;
        constexpr int step = TNetscapeColorLookup::kLevelStep;
        for (int r = 0; r < n; ++r)
            for (int g = 0; g < n; ++g)
                for (int b = 0; b < n; ++b)
                    p.append(qRgb(r * step, g * step, b * step));
        return p;
    }();
    return palette;
}

int TDitherEngine::Dither(int red, int green, int blue, int &r, int &g, int &b)
{
    const int index = m_lookup.Lookup(red, green, blue, r, g, b);
    m_column += m_direction;
    return index;
}

void TDitherEngine::NextLine()
{
    m_direction = -m_direction;
    m_column = m_direction > 0 ? 0 : m_width - 1;
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, const TColorLookup &lookup)
    : TDitherEngine(width, lookup)
{
    for (auto &row : m_current)
        row.assign(size_t(width + 2 * kMargin), 0);
    for (auto &row : m_next)
        row.assign(size_t(width + 2 * kMargin), 0);
}

int TFloydSteinbergDitherer::Dither(int red, int green, int blue, int &r, int &g, int &b)
{
    const int x = m_column + kMargin;
    const int in[3] = {red, green, blue};
    int adjusted[3];
    for (int c = 0; c < 3; ++c) {
        // C++ division truncates toward zero, as the rounding rule wants.
        const int err = (m_current[c][x] + kDivisor / 2) / kDivisor;
        adjusted[c] = std::clamp(in[c] + err, 0, 255);
    }
    const int index = m_lookup.Lookup(adjusted[0], adjusted[1], adjusted[2], r, g, b);
    const int chosen[3] = {r, g, b};
    const int d = m_direction;
    for (int c = 0; c < 3; ++c) {
        const int e = adjusted[c] - chosen[c];
        if (e == 0)
            continue;
        m_current[c][x + d] += 7 * e;
        m_next[c][x - d] += 3 * e;
        m_next[c][x] += 5 * e;
        m_next[c][x + d] += e;
    }
    m_column += m_direction;
    return index;
}

void TFloydSteinbergDitherer::NextLine()
{
    for (int c = 0; c < 3; ++c) {
        std::swap(m_current[c], m_next[c]);
        std::fill(m_next[c].begin(), m_next[c].end(), 0);
    }
    TDitherEngine::NextLine();
}
