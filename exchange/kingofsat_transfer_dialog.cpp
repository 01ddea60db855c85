#include "exchange/kingofsat_transfer_dialog.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/satelite.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/str_utils.h"
#include "ui/program/program.h"
#include "ui_kingofsat_transfer_dialog.h"

#include <QLineEdit>
#include <QSet>

#include <algorithm>

namespace {

bool isBlankText(const QString &text)
{
    return removeWhiteSpaces(text, 0).isEmpty();
}

// Each text once, in the order met; a blank provider under its stand-in.
void addDistinct(QStringList &items, QSet<QString> &seen, const QString &text)
{
    const QString item = isBlankText(text) ? msg(MsgKofProviderUnknown) : text;
    if (!seen.contains(item)) {
        seen.insert(item);
        items.append(item);
    }
}

void selectText(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        combo->setCurrentIndex(index);
}

} // namespace

TFrmKingOfSatTransfer::TFrmKingOfSatTransfer(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmKingOfSatTransfer>())
{
    ui->setupUi(this);
    connect(ui->BtnProvider, &QRadioButton::clicked, this, &TFrmKingOfSatTransfer::BtnProviderClick);
    connect(ui->BtnSatellite, &QRadioButton::clicked, this,
            &TFrmKingOfSatTransfer::BtnSatelliteClick);
    connect(ui->ComboProvider, &QComboBox::activated, this,
            &TFrmKingOfSatTransfer::ComboProviderSelect);
    connect(ui->ComboSatellite, &QComboBox::activated, this,
            &TFrmKingOfSatTransfer::ComboSatelliteSelect);
    connect(ui->ComboBouquet, &QComboBox::activated, this,
            &TFrmKingOfSatTransfer::ComboBouquetSelect);
    if (QLineEdit *edit = ui->ComboBouquet->lineEdit())
        connect(edit, &QLineEdit::textEdited, this, &TFrmKingOfSatTransfer::ComboBouquetKeyDown);
    // OK closes only once the bouquet name passes; Cancel always closes.
    connect(ui->BtnOk, &QPushButton::clicked, this, &TFrmKingOfSatTransfer::BtnOkClick);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TFrmKingOfSatTransfer::~TFrmKingOfSatTransfer() = default;

bool TFrmKingOfSatTransfer::AssumeNames() const
{
    return ui->CbxAssumeNames->isChecked();
}

bool TFrmKingOfSatTransfer::BouquetChecked() const
{
    return ui->CbxBouquet->isChecked();
}

QString TFrmKingOfSatTransfer::BouquetName() const
{
    return ui->ComboBouquet->currentText();
}

void TFrmKingOfSatTransfer::BtnProviderClick()
{
    ui->ComboBouquet->setEditText(ui->ComboProvider->currentText());
}

void TFrmKingOfSatTransfer::ComboProviderSelect()
{
    ui->BtnProvider->setChecked(true);
    BtnProviderClick();
}

void TFrmKingOfSatTransfer::BtnSatelliteClick()
{
    ui->ComboBouquet->setEditText(ui->ComboSatellite->currentText());
}

void TFrmKingOfSatTransfer::ComboSatelliteSelect()
{
    ui->BtnSatellite->setChecked(true);
    BtnSatelliteClick();
}

void TFrmKingOfSatTransfer::ComboBouquetKeyDown()
{
    ui->CbxBouquet->setChecked(true);
}

void TFrmKingOfSatTransfer::ComboBouquetSelect()
{
    ui->CbxBouquet->setChecked(true);
}

void TFrmKingOfSatTransfer::BtnOkClick()
{
    if (ui->CbxBouquet->isChecked() && ui->ComboBouquet->currentText().trimmed().isEmpty()) {
        if (m_program && m_program->Prompts)
            m_program->Prompts->messageBox(TPrompts::TMsgKind::Error, msg(MsgKofNoBouquetName),
                                           TPrompts::mbOK);
        return;
    }
    accept();
}

void TFrmKingOfSatTransfer::fillCombos(const TGridSelection &selection)
{
    ui->ComboProvider->clear();
    ui->ComboSatellite->clear();
    ui->ComboBouquet->clear();
    // A list of 100,000 services names a few hundred providers: collected
    // through a set, not by searching the combo for each service.
    QStringList providers;
    QStringList satellites;
    QSet<QString> seenProviders;
    QSet<QString> seenSatellites;
    const TServiceList &kingOfSat = *m_program->KingOfSatList;
    for (int i = 0; i < kingOfSat.Count(); ++i) {
        const TSatelite *satelite = kingOfSat.GetItem(i);
        if (!seenSatellites.contains(satelite->Name)) {
            seenSatellites.insert(satelite->Name);
            satellites.append(satelite->Name);
        }
        for (int t = 0; t < satelite->Count(); ++t)
            satelite->GetItem(t)->forEachService(
                [&](const TService *service) { addDistinct(providers, seenProviders, service->Provider()); });
    }
    providers.sort(Qt::CaseInsensitive);
    satellites.sort(Qt::CaseInsensitive);
    ui->ComboProvider->addItems(providers);
    ui->ComboSatellite->addItems(satellites);
    if (const TBouquetList *bouquets = m_program->BouquetList.get()) {
        for (int i = 0; i < bouquets->Count(); ++i)
            ui->ComboBouquet->addItem(bouquets->GetItem(i)->Name);
    }
    for (QComboBox *combo : {ui->ComboProvider, ui->ComboSatellite, ui->ComboBouquet}) {
        if (combo->count() > 0)
            combo->setCurrentIndex(0);
    }
    if (selection.service) {
        const QString provider = selection.service->Provider();
        selectText(ui->ComboProvider, isBlankText(provider) ? msg(MsgKofProviderUnknown) : provider);
        if (selection.satelite)
            selectText(ui->ComboSatellite, selection.satelite->Name);
        if (selection.bouquetIndex >= 0 && selection.bouquetIndex < ui->ComboBouquet->count())
            ui->ComboBouquet->setCurrentIndex(selection.bouquetIndex);
    }
    if (ui->BtnProvider->isChecked())
        BtnProviderClick();
    else if (ui->BtnSatellite->isChecked())
        BtnSatelliteClick();
}

void TFrmKingOfSatTransfer::markChosen(const TGridSelection &selection)
{
    TServiceList &kingOfSat = *m_program->KingOfSatList;
    kingOfSat.UnmarkAll();
    if (ui->BtnProvider->isChecked()) {
        const QString provider = ui->ComboProvider->currentText();
        const bool unknown = provider == msg(MsgKofProviderUnknown);
        kingOfSat.forEachService([&](TService *service, TTransponder *, TSatelite *) {
            if (service->Provider() == provider || (unknown && service->Provider().trimmed().isEmpty()))
                service->Marked = true;
        });
    } else if (ui->BtnSatellite->isChecked()) {
        // Several KingOfSat satellites mapped to one of the list's keep
        // entries of their own under that one name: the choice takes all.
        const QString name = ui->ComboSatellite->currentText();
        for (int i = 0; i < kingOfSat.Count(); ++i) {
            if (kingOfSat.GetItem(i)->Name == name)
                kingOfSat.GetItem(i)->MarkAll();
        }
    } else if (selection.markSelected) {
        selection.markSelected();
    }
}

bool TFrmKingOfSatTransfer::Execute(const TGridSelection &selection)
{
    if (!m_program || !m_program->KingOfSatList)
        return false;
    fillCombos(selection);
    if (exec() != QDialog::Accepted)
        return false;
    markChosen(selection);
    return true;
}
