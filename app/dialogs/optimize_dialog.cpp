#include "app/dialogs/optimize_dialog.h"

#include "ui_optimize_dialog.h"

#include "app/dialogs/please_wait.h"
#include "ui/program/program.h"
#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"

#include <QCheckBox>
#include <QPushButton>
#include <QStringList>

namespace {

constexpr QLatin1String kLineBreak("\r\n");

} // namespace

TFrmOptimize::TFrmOptimize(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::FrmOptimize>())
{
    ui->setupUi(this);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->BtnOptimize, &QPushButton::clicked, this, &TFrmOptimize::BtnOptimizeClick);
    // toggled, not clicked: the settings store sets the boxes and the button
    // must follow as it does after a click.
    for (QCheckBox *box : {ui->CbxRemoveDataServices, ui->CbxFixObsoleteServices,
                           ui->CbxRemoveObsoleteServices, ui->CbxRemoveUnusedServices,
                           ui->CbxRemoveObsoleteMyServices})
        connect(box, &QCheckBox::toggled, this, &TFrmOptimize::UpdateOptimizeButton);
    UpdateOptimizeButton();
}

TFrmOptimize::~TFrmOptimize() = default;

void TFrmOptimize::SetProgram(TProgram *program)
{
    m_program = program;
}

void TFrmOptimize::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    UpdateOptimizeButton();
}

void TFrmOptimize::UpdateOptimizeButton()
{
    ui->BtnOptimize->setEnabled(ui->CbxRemoveDataServices->isChecked()
                                || ui->CbxFixObsoleteServices->isChecked()
                                || ui->CbxRemoveObsoleteServices->isChecked()
                                || ui->CbxRemoveUnusedServices->isChecked()
                                || ui->CbxRemoveObsoleteMyServices->isChecked());
}

void TFrmOptimize::linkLists()
{
    if (LinkLists) {
        LinkLists();
        return;
    }
    m_program->ServiceList->LinkMyServices(*m_program->MyServiceList);
    m_program->BouquetList->Link(*m_program->ServiceList, *m_program->MyServiceList);
}

void TFrmOptimize::BtnOptimizeClick()
{
    if (!m_program || !m_program->ServiceList || !m_program->MyServiceList
        || !m_program->BouquetList) {
        accept();
        return;
    }
    TServiceList &services = *m_program->ServiceList;
    TServiceList &myServices = *m_program->MyServiceList;
    TBouquetList &bouquets = *m_program->BouquetList;

    const QString notRun = msg(MsgStepNotRun);
    QString dataCount = notRun;
    QString fixedCount = notRun;
    QString obsoleteCount = notRun;
    QString myServicesCount = notRun;
    QString unusedCount = notRun;

    if (StopLogoMapping)
        StopLogoMapping();
    WaitBoxShown wait(m_program->FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait")));

    // What linking derives (my-services' obsolete flags, the services'
    // bouquet names) goes out of date with every removal; a step that reads
    // it links again first. Example: a bouquet entry linked to an obsolete
    // my-services entry falls back to the services list's copy once that
    // entry is gone, and that copy is then in use, not unused.
    bool linksStale = false;
    const auto linkIfStale = [&] {
        if (linksStale)
            linkLists();
        linksStale = false;
    };

    // The steps run in this order whatever the boxes' order on the window:
    // obsolete entries get their chance to be fixed before the rest go.
    if (ui->CbxRemoveDataServices->isChecked()) {
        // The entries go while their services still say they are data. Freed
        // first, a service would leave its entries obsolete, and fixing would
        // then link them to any other service of the same name.
        bouquets.RemoveData();
        dataCount = QString::number(services.RemoveData());
        linksStale = true;
    }
    if (ui->CbxFixObsoleteServices->isChecked()) {
        linkIfStale();
        fixedCount = QString::number(bouquets.RelinkAll(services));
        linkLists();
    }
    if (ui->CbxRemoveObsoleteServices->isChecked()) {
        linkIfStale();
        obsoleteCount = QString::number(bouquets.RemoveObsolete());
        linksStale = true;
    }
    if (ui->CbxRemoveObsoleteMyServices->isChecked()) {
        linkIfStale();
        myServicesCount = QString::number(myServices.RemoveObsolete());
        linksStale = true;
    }
    if (ui->CbxRemoveUnusedServices->isChecked()) {
        linkIfStale();
        unusedCount = QString::number(
            services.RemoveUnbouqueted(bouquets.ServiceKeysInUse(myServices)));
        linksStale = true;
    }
    linkIfStale();
    if (RefillGrids)
        RefillGrids();
    wait.hide();

    const QStringList lines = {
        msg(MsgRemovedDataServices) + dataCount,
        msg(MsgFixedObsoleteBouquetServices) + fixedCount,
        msg(MsgRemovedObsoleteBouquetServices) + obsoleteCount,
        msg(MsgRemovedObsoleteMyServices) + myServicesCount,
        msg(MsgRemovedUnusedServices) + unusedCount,
    };
    if (m_program->Prompts)
        m_program->Prompts->messageBox(TPrompts::TMsgKind::Information,
                                       msg(MsgOptimizationResults) + kLineBreak + kLineBreak
                                           + lines.join(kLineBreak),
                                       TPrompts::mbOK);
    accept();
}
