#pragma once

#include <QList>
#include <QRgb>

#include <array>
#include <vector>

// Maps a true colour to a palette index and reports the colour chosen.
class TColorLookup
{
public:
    explicit TColorLookup(int colors) : m_colors(colors) {}
    virtual ~TColorLookup() = default;
    int Colors() const { return m_colors; }
    virtual int Lookup(int red, int green, int blue, int &r, int &g, int &b) const = 0;

private:
    int m_colors;
};

// The 216-colour web cube: each component in six levels of 51.
class TNetscapeColorLookup : public TColorLookup
{
public:
    static constexpr int kLevels = 6;
    static constexpr int kLevelStep = 51;
    TNetscapeColorLookup() : TColorLookup(kLevels * kLevels * kLevels) {}
    int Lookup(int red, int green, int blue, int &r, int &g, int &b) const override;
};

// The web palette as a colour table: index 36 r + 6 g + b.
const QList<QRgb> &WebPalette();

// Nearest colour without error diffusion; walks rows alternately left to
// right and right to left like every ditherer.
class TDitherEngine
{
public:
    TDitherEngine(int width, const TColorLookup &lookup) : m_lookup(lookup), m_width(width) {}
    virtual ~TDitherEngine() = default;

    int Direction() const { return m_direction; }
    int Column() const { return m_column; }
    int Width() const { return m_width; }

    // Maps the colour at the current column and moves on.
    virtual int Dither(int red, int green, int blue, int &r, int &g, int &b);
    // Moves on without taking or spreading any error (transparent pixels).
    virtual void Skip() { m_column += m_direction; }
    virtual void NextLine();

protected:
    const TColorLookup &m_lookup;
    int m_width;
    int m_direction = 1;
    int m_column = 0;
};

// Floyd-Steinberg error diffusion (7 ahead; 3 5 1 below), error kept in
// sixteenths on two rows per channel, serpentine.
class TFloydSteinbergDitherer : public TDitherEngine
{
public:
    TFloydSteinbergDitherer(int width, const TColorLookup &lookup);
    int Dither(int red, int green, int blue, int &r, int &g, int &b) override;
    void NextLine() override;

private:
    static constexpr int kDivisor = 16;
    static constexpr int kMargin = 1;
    std::array<std::vector<int>, 3> m_current;
    std::array<std::vector<int>, 3> m_next;
};
