#include "app/dialogs/drag_hint.h"

#include "ui_drag_hint.h"

#include "core/util/messages.h"
#include "gif/gif_picture.h"
#include "resources/resources.h"

#include <QCursor>
#include <QFile>
#include <QPixmap>
#include <QTimer>

namespace {

constexpr int kFollowInterval = 50; // ms
constexpr int kOpacity = 180;       // of 255
constexpr QRgb kSkyBlue = 0xA6CAF0;
constexpr auto kImageFile = ":/pictures/drag.gif";

void paintSkyBlue(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(kSkyBlue));
    palette.setColor(QPalette::WindowText, Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

TFrmDragDrop::TFrmDragDrop(QWidget *parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      ui(std::make_unique<Ui::FrmDragDrop>()),
      m_timer(new QTimer(this)),
      m_mousePosition([] { return QCursor::pos(); })
{
    ui->setupUi(this);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setWindowOpacity(kOpacity / 255.0);
    paintSkyBlue(this);
    paintSkyBlue(ui->Lbl);
    ui->Lbl->hide();

    m_timer->setObjectName(QStringLiteral("TimerDragDrop"));
    m_timer->setInterval(kFollowInterval);
    connect(m_timer, &QTimer::timeout, this, &TFrmDragDrop::TimerDragDropTimer);

    loadImage();
}

TFrmDragDrop::~TFrmDragDrop() = default;

QLabel *TFrmDragDrop::Lbl() const
{
    return ui->Lbl;
}

QLabel *TFrmDragDrop::Image() const
{
    return ui->Image;
}

void TFrmDragDrop::SetMousePosition(MousePosition position)
{
    m_mousePosition = std::move(position);
}

// The picture goes through the program's own GIF codec like every GIF it
// shows; a missing or broken picture just leaves the space empty.
void TFrmDragDrop::loadImage()
{
    pelloranInitResources();
    QFile file(QString::fromLatin1(kImageFile));
    if (!file.open(QIODevice::ReadOnly))
        return;
    TGifPicture picture;
    QString errorText;
    if (!picture.LoadFromData(file.readAll(), errorText)) {
        qWarning("Drag hint picture: %s", qPrintable(errorText));
        return;
    }
    ui->Image->setPixmap(QPixmap::fromImage(picture.Bitmap()));
}

void TFrmDragDrop::ShowDragText(const QString &text)
{
    const QString name = text.trimmed().isEmpty() ? msg(MsgNoname) : text;
    ui->Image->hide();
    ui->Lbl->show();
    // Two spaces keep the bold text off the window's right edge.
    ui->Lbl->setText(name + QStringLiteral("  "));
    ui->Lbl->adjustSize();
    ui->Lbl->move(0, 0);
    resize(ui->Lbl->size());
}

void TFrmDragDrop::StartDrag()
{
    FollowMouse();
    show();
    m_timer->start();
}

void TFrmDragDrop::HideDragText()
{
    hide();
    m_timer->stop();
}

void TFrmDragDrop::FollowMouse()
{
    const QPoint mouse = m_mousePosition();
    move(mouse.x() + 1 - width(), mouse.y() + 1);
    update();
}

void TFrmDragDrop::TimerDragDropTimer()
{
    FollowMouse();
}
