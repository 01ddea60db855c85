#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QTimer;

namespace Ui {
class FrmDragDrop;
}

// The small window that follows the mouse during drag and drop between the
// main window's grids and names what is being dragged. It never takes focus
// or mouse input, so the drag underneath goes on undisturbed.
class TFrmDragDrop : public QWidget
{
    Q_OBJECT

public:
    // Where the mouse is, in screen coordinates.
    using MousePosition = std::function<QPoint()>;

    explicit TFrmDragDrop(QWidget *parent = nullptr);
    ~TFrmDragDrop() override;

    // Shows the text (or "<Noname>" for a blank one) and sizes the window to
    // it; the window itself appears only with StartDrag.
    void ShowDragText(const QString &text);
    // Places the window at the mouse, shows it and keeps it following.
    void StartDrag();
    void HideDragText();
    // Puts the window's top-right corner just below-left of the mouse.
    void FollowMouse();

    // The cursor position by default; tests drive their own.
    void SetMousePosition(MousePosition position);

    QLabel *Lbl() const;
    QLabel *Image() const;
    QTimer *TimerDragDrop() const { return m_timer; }

private:
    void TimerDragDropTimer();
    void loadImage();

    std::unique_ptr<Ui::FrmDragDrop> ui;
    QTimer *m_timer = nullptr;
    MousePosition m_mousePosition;
};
