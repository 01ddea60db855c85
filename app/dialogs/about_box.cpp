#include "app/dialogs/about_box.h"

#include "ui_about_box.h"

#include "core/util/sys_utils.h"
#include "platform/jpeg_decoder.h"
#include "resources/resources.h"

#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>

namespace {

constexpr int kClientWidth = 325;
constexpr int kClientHeight = 578;

constexpr auto kBannerPicture = ":/pictures/about.jpg";
constexpr auto kSmallPicture = ":/pictures/about_small.jpg";

// Newest first.
// Newest first.
constexpr auto kVersionHistory =
    "<h3>Pelloran 0.1</h3>"
    "<ul>"
    "<li>First build for Linux desktops.</li>"
    "<li>Edits the services, my-services and bouquet lists of DBox receivers.</li>"
    "<li>Sends the lists to the receiver and fetches them back over FTP, "
    "with backups and a history of the working files.</li>"
    "<li>Imports ready-made lists, maps channel logos, prints and exports lists.</li>"
    "</ul>";

void setPicture(QLabel *label, const QString &fileName)
{
    QImage image;
    QString errorText;
    if (!loadJpegFile(fileName, image, errorText)) {
        qWarning("About box picture: %s", qPrintable(errorText));
        return;
    }
    label->setPixmap(QPixmap::fromImage(image));
    label->setMinimumSize(image.size());
}

} // namespace

TFrmAbout::TFrmAbout(QWidget *parent)
    : QDialog(parent),
      ui(std::make_unique<Ui::FrmAbout>()),
      m_openUrl([this](const QString &url, TOpenFailed failed) { shellOpenDocument(url, this, failed); })
{
    ui->setupUi(this);
    setFixedSize(kClientWidth, kClientHeight);

    // White window; the history keeps the face colour it was given.
    const QColor face = palette().color(QPalette::Button);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    for (QWidget *page : {ui->TabPelloran, ui->TabVersionHistory}) {
        page->setAutoFillBackground(true);
        page->setPalette(white);
    }
    QPalette history = ui->RichEdit->palette();
    history.setColor(QPalette::Base, face);
    ui->RichEdit->setPalette(history);

    ui->Label2->setText(QString::fromLatin1(kAuthorAddress));
    ui->Label2->installEventFilter(this);
    connect(ui->BtnClose, &QPushButton::clicked, this, &QDialog::accept);

    loadPictures();
    fillVersionHistory();
}

TFrmAbout::~TFrmAbout() = default;

void TFrmAbout::loadPictures()
{
    pelloranInitResources();
    setPicture(ui->Image1, QString::fromLatin1(kBannerPicture));
    setPicture(ui->Image2, QString::fromLatin1(kSmallPicture));
}

void TFrmAbout::fillVersionHistory()
{
    ui->RichEdit->setHtml(QString::fromUtf8(kVersionHistory));
}

void TFrmAbout::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFrmAbout::FormShow()
{
    if (m_mainWindow)
        ui->LbVersion->setText(m_mainWindow->windowTitle());
}

bool TFrmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Label2 && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && ui->Label2->rect().contains(mouse->position().toPoint())) {
            Label2Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmAbout::Label2Click()
{
    const QString url = QStringLiteral("mailto:") + QString::fromLatin1(kAuthorAddress)
                        + QStringLiteral("?subject=") + ui->LbVersion->text();
    if (!m_openUrl)
        return;
    m_openUrl(url, [](const QString &errorText) { qWarning("Mail program: %s", qPrintable(errorText)); });
}
