#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;

namespace Ui {
class FrmSplash;
}

// The window the program shows while it starts: its picture and a line
// saying what start-up is doing.
class TFrmSplash : public QWidget
{
    Q_OBJECT

public:
    // Called with each opacity the fade sets, after it is set.
    using FadeStep = std::function<void(int alpha)>;

    // Opacity on a 0..255 scale before any fade.
    static constexpr int kInitialAlpha = 150;

    explicit TFrmSplash(QWidget *parent = nullptr);
    ~TFrmSplash() override;

    // Shows the window fully transparent, then raises its opacity in steps
    // of 2 (0, 2, ..., 254: the last step stops short of opaque), letting
    // queued events run and repainting between steps.
    void FadeIn(const FadeStep &step = {});

    // The start-up line; painted at once.
    void SetSplashText(const QString &text);
    QLabel *LblSplash() const;

    int AlphaBlendValue() const { return m_alpha; }
    void SetAlphaBlendValue(int alpha);

private:
    void centreOnScreen();

    std::unique_ptr<Ui::FrmSplash> ui;
    int m_alpha = kInitialAlpha;
};
