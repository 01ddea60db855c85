#include "app/dialogs/splash_window.h"

#include "ui_splash_window.h"

#include "platform/jpeg_decoder.h"
#include "resources/resources.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPixmap>
#include <QScreen>
#include <QThread>

namespace {

constexpr int kClientWidth = 283;
constexpr int kClientHeight = 312;
constexpr int kFadeStep = 2;
constexpr int kOpaque = 255;
constexpr auto kPicture = ":/pictures/splash.jpg";

} // namespace

TFrmSplash::TFrmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      ui(std::make_unique<Ui::FrmSplash>())
{
    ui->setupUi(this);
    setFixedSize(kClientWidth, kClientHeight);

    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setAutoFillBackground(true);
    ui->LblSplash->setAutoFillBackground(true);
    ui->LblSplash->setPalette(white);

    pelloranInitResources();
    QImage picture;
    QString errorText;
    if (loadJpegFile(QString::fromLatin1(kPicture), picture, errorText))
        ui->ImgSplash->setPixmap(QPixmap::fromImage(picture));
    else
        qWarning("Splash picture: %s", qPrintable(errorText));

    SetAlphaBlendValue(kInitialAlpha);
}

TFrmSplash::~TFrmSplash() = default;

QLabel *TFrmSplash::LblSplash() const
{
    return ui->LblSplash;
}

void TFrmSplash::SetAlphaBlendValue(int alpha)
{
    m_alpha = alpha;
    setWindowOpacity(qreal(alpha) / kOpaque);
}

void TFrmSplash::SetSplashText(const QString &text)
{
    ui->LblSplash->setText(text);
    ui->LblSplash->repaint();
}

void TFrmSplash::FadeIn(const FadeStep &step)
{
    // Transparent before it first appears, so it does not flash up at its
    // resting opacity.
    SetAlphaBlendValue(0);
    if (!isVisible()) {
        centreOnScreen();
        show();
    }
    for (int alpha = 0; alpha <= kOpaque; alpha += kFadeStep) {
        SetAlphaBlendValue(alpha);
        if (step)
            step(alpha);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        repaint();
        QThread::msleep(1);
    }
}

void TFrmSplash::centreOnScreen()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}
