#include "ui/controls/gradient_panel.h"

#include <QPainter>

#include <cmath>

namespace {

struct SchemeColors {
    QRgb grad;
    QRgb light;
    QRgb dark;
};

// Indexed by TColorScheme; the face colour is white in every scheme.
constexpr SchemeColors kSchemes[] = {
    {0, 0, 0},                        // csCustom: unused
    {0xFFE1A4, 0xD58F00, 0x9B6900}, // csDesert
    {0xCBF2B0, 0x6AB53E, 0x376F15}, // csGrass
    {0xDEE0DA, 0x7D7D7D, 0x626262}, // csSilver
    {0xC1E0FF, 0x4D96F0, 0x0059B3}, // csSky
    {0xFFCCCC, 0xCC5106, 0x9D0000}, // csRose
    {0xFFFFBF, 0x959500, 0x646400}, // csSun
};

constexpr QRgb kSilver = 0xC0C0C0;

int channel(int face, int grad, int i, int steps)
{
    return int(std::lround(face + double(i) * (grad - face) / steps));
}

} // namespace

TGradientPanel::TGradientPanel(QWidget *parent) : QWidget(parent)
{
    m_colorDark = Qt::black;
    m_colorLight = QColor::fromRgb(kSilver);
    SetColorScheme(csDesert);
}

QColor TGradientPanel::GradientColor(const QColor &face, const QColor &grad, int i, int steps)
{
    if (steps <= 0)
        return face;
    return QColor(channel(face.red(), grad.red(), i, steps), channel(face.green(), grad.green(), i, steps),
                  channel(face.blue(), grad.blue(), i, steps));
}

void TGradientPanel::changed()
{
    update();
}

void TGradientPanel::SetColorScheme(TColorScheme scheme)
{
    m_scheme = scheme;
    if (scheme != csCustom) {
        const SchemeColors &colors = kSchemes[scheme];
        m_colorFace = Qt::white;
        m_colorGrad = QColor::fromRgb(colors.grad);
        m_colorLight = QColor::fromRgb(colors.light);
        m_colorDark = QColor::fromRgb(colors.dark);
    }
    changed();
}

void TGradientPanel::SetColorFace(const QColor &color)
{
    m_colorFace = color;
    m_scheme = csCustom;
    changed();
}

void TGradientPanel::SetColorGrad(const QColor &color)
{
    m_colorGrad = color;
    m_scheme = csCustom;
    changed();
}

void TGradientPanel::SetColorLight(const QColor &color)
{
    m_colorLight = color;
    m_scheme = csCustom;
    changed();
}

void TGradientPanel::SetColorDark(const QColor &color)
{
    m_colorDark = color;
    m_scheme = csCustom;
    changed();
}

void TGradientPanel::SetFillDirection(TFillDirection direction)
{
    m_fillDirection = direction;
    changed();
}

void TGradientPanel::SetCaption(const QString &caption)
{
    m_caption = caption;
    changed();
}

void TGradientPanel::SetAlignment(TAlignment alignment)
{
    m_alignment = alignment;
    changed();
}

void TGradientPanel::SetBevelInner(TBevelCut bevel)
{
    m_bevelInner = bevel;
    changed();
}

void TGradientPanel::SetBevelOuter(TBevelCut bevel)
{
    m_bevelOuter = bevel;
    changed();
}

void TGradientPanel::SetBevelWidth(int width)
{
    m_bevelWidth = std::max(0, width);
    changed();
}

void TGradientPanel::paintEvent(QPaintEvent *)
{
    // Nothing to paint, and the gradient would divide by a zero step count.
    if (width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    paintGradient(painter);
    paintCaption(painter);
    if (m_bevelOuter != bvNone)
        paintBevel(painter, 0, m_bevelOuter);
    if (m_bevelInner != bvNone)
        paintBevel(painter, m_bevelOuter != bvNone ? m_bevelWidth : 0, m_bevelInner);
}

void TGradientPanel::paintGradient(QPainter &painter)
{
    const int w = width();
    const int h = height();
    const int steps = m_fillDirection == fdHorizontal ? w : m_fillDirection == fdVertical ? h : w + h;
    for (int i = 0; i <= steps; ++i) {
        painter.setPen(GradientColor(m_colorFace, m_colorGrad, i, steps));
        switch (m_fillDirection) {
        case fdHorizontal: painter.drawLine(i, 0, i, h - 1); break;
        case fdVertical: painter.drawLine(0, i, w - 1, i); break;
        case fdDiagonal: painter.drawLine(i, 0, 0, i); break;
        }
    }
}

void TGradientPanel::paintCaption(QPainter &painter)
{
    if (m_caption.isEmpty())
        return;
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(m_caption);
    const bool both = m_bevelInner != bvNone && m_bevelOuter != bvNone;
    int x = 0;
    switch (m_alignment) {
    case taLeftJustify: x = m_bevelWidth + 2 + (both ? m_bevelWidth : 0); break;
    case taRightJustify: x = width() - m_bevelWidth - 2 - textWidth - (both ? m_bevelWidth : 0); break;
    case taCenter: x = (width() - textWidth) / 2; break;
    }
    // Centred on the height of a line of text, whatever the caption holds.
    const int y = (height() - metrics.height()) / 2;
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(x, y + metrics.ascent(), m_caption);
}

void TGradientPanel::paintBevel(QPainter &painter, int inset, TBevelCut cut)
{
    const QColor first = cut == bvLowered ? m_colorDark : m_colorLight;
    const QColor second = cut == bvLowered ? m_colorLight : m_colorDark;
    const int w = width();
    const int h = height();
    for (int d = inset; d < inset + m_bevelWidth; ++d) {
        const int left = d;
        const int top = d;
        const int right = w - d - 1;
        const int bottom = h - d - 1;
        if (right < left || bottom < top)
            break;
        painter.setPen(first);
        painter.drawLine(left, bottom, left, top);
        painter.drawLine(left, top, right, top);
        painter.setPen(second);
        painter.drawLine(right, top, right, bottom);
        painter.drawLine(right, bottom, left, bottom);
    }
}
