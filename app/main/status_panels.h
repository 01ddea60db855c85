#pragma once

#include <QFrame>
#include <QList>
#include <QString>

class QLabel;
class QHBoxLayout;

// A bar of side-by-side panels, each showing a text or holding small
// controls (indicator pictures, a progress bar, a filter edit): the main
// window's status bar, the grids' information bars and their filter bars.
class TPanelBar : public QFrame
{
    Q_OBJECT

public:
    // One width per panel; a width of 0 lets that panel take the room left,
    // FitText makes it as wide as the text it shows.
    static constexpr int FitText = -1;
    explicit TPanelBar(const QList<int> &widths, QWidget *parent = nullptr);

    // The panel's text goes on in further lines where the panel is narrower
    // than the text, and the bar grows to show them.
    void WrapPanelText(int index);

    int PanelCount() const { return int(m_panels.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);
    // Makes the control a child of the panel, laid out in its rectangle
    // beside whatever else the panel holds.
    void PlaceInPanel(int index, QWidget *control);
    QRect PanelRect(int index) const;

private:
    struct Panel {
        QFrame *frame = nullptr;
        QHBoxLayout *layout = nullptr;
        QLabel *label = nullptr;
        bool fitsText = false;
    };
    QList<Panel> m_panels;
};
