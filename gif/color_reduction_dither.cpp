// Error-diffusion ditherers; every one walks rows in serpentine order.
#include "gif/color_reduction.h"

#include <algorithm>

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

namespace {

constexpr int kChannels = 3;
constexpr int kMaxComponent = 255;

constexpr TDitherWeight kStucki[] = {
    {0, 1, 8}, {0, 2, 4},
    {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
    {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1},
};
constexpr int kStuckiDivisor = 42;

constexpr TDitherWeight kSierra[] = {
    {0, 1, 5}, {0, 2, 3},
    {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},
    {2, -1, 2}, {2, 0, 3}, {2, 1, 2},
};
constexpr int kSierraDivisor = 32;

constexpr TDitherWeight kJaJuNi[] = {
    {0, 1, 7}, {0, 2, 5},
    {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},
    {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1},
};
constexpr int kJaJuNiDivisor = 48;

constexpr TDitherWeight kSteveArche[] = {
    {0, 2, 32},
    {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16},
    {2, -2, 12}, {2, 0, 26}, {2, 2, 12},
    {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5},
};
constexpr int kSteveArcheDivisor = 200;

constexpr TDitherWeight kBurkes[] = {
    {0, 1, 8}, {0, 2, 4},
    {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
};
constexpr int kBurkesDivisor = 32;

} // namespace

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int width, const TColorLookup &lookup,
                                                 std::span<const TDitherWeight> kernel,
                                                 int divisor)
    : TDitherEngine(width, lookup), m_kernel(kernel.begin(), kernel.end()), m_divisor(divisor)
{
    int rows = 1;
    for (const TDitherWeight &w : m_kernel) {
        rows = std::max(rows, w.dy + 1);
        m_margin = std::max(m_margin, std::abs(w.dx));
    }
    for (auto &channel : m_error)
        channel.assign(size_t(rows), std::vector<int>(size_t(width + 2 * m_margin), 0));
}

int TErrorDiffusionDitherer::Dither(int red, int green, int blue, int &r, int &g, int &b)
{
    const int x = m_column + m_margin;
    const int in[kChannels] = {red, green, blue};
    int adjusted[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        // C++ division truncates toward zero, as the rounding rule wants.
        const int err = (m_error[c][0][size_t(x)] + m_divisor / 2) / m_divisor;
        adjusted[c] = std::clamp(in[c] + err, 0, kMaxComponent);
    }
    const int index = m_lookup.Lookup(adjusted[0], adjusted[1], adjusted[2], r, g, b);
    const int chosen[kChannels] = {r, g, b};
    for (int c = 0; c < kChannels; ++c) {
        const int e = adjusted[c] - chosen[c];
        if (e == 0)
            continue;
        for (const TDitherWeight &w : m_kernel)
            m_error[c][size_t(w.dy)][size_t(x + w.dx * m_direction)] += w.weight * e;
    }
    m_column += m_direction;
    return index;
}

void TErrorDiffusionDitherer::NextLine()
{
    for (auto &rows : m_error) {
        std::rotate(rows.begin(), rows.begin() + 1, rows.end());
        std::fill(rows.back().begin(), rows.back().end(), 0);
    }
    TDitherEngine::NextLine();
}

TStuckiDitherer::TStuckiDitherer(int width, const TColorLookup &lookup)
    : T5by3Ditherer(width, lookup, kStucki, kStuckiDivisor)
{
}

TSierraDitherer::TSierraDitherer(int width, const TColorLookup &lookup)
    : T5by3Ditherer(width, lookup, kSierra, kSierraDivisor)
{
}

TJaJuNiDitherer::TJaJuNiDitherer(int width, const TColorLookup &lookup)
    : T5by3Ditherer(width, lookup, kJaJuNi, kJaJuNiDivisor)
{
}

TSteveArcheDitherer::TSteveArcheDitherer(int width, const TColorLookup &lookup)
    : TErrorDiffusionDitherer(width, lookup, kSteveArche, kSteveArcheDivisor)
{
}

TBurkesDitherer::TBurkesDitherer(int width, const TColorLookup &lookup)
    : TErrorDiffusionDitherer(width, lookup, kBurkes, kBurkesDivisor)
{
}

std::unique_ptr<TDitherEngine> CreateDitherer(int ditherMode, int width,
                                              const TColorLookup &lookup)
{
    switch (ditherMode) {
    case dmFloydSteinberg:
        return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case dmStucki:
        return std::make_unique<TStuckiDitherer>(width, lookup);
    case dmSierra:
        return std::make_unique<TSierraDitherer>(width, lookup);
    case dmJaJuNi:
        return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case dmSteveArche:
        return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case dmBurkes:
        return std::make_unique<TBurkesDitherer>(width, lookup);
    default:
        return std::make_unique<TDitherEngine>(width, lookup);
    }
}
