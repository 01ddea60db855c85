#include "app/dialogs/service_properties.h"

#include "app/dialogs/service_selection_list.h"
#include "ui/program/program.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/str_utils.h"
#include "core/util/text_compare.h"
#include "ui/grid/image_list.h"
#include "ui_service_properties.h"

namespace {

constexpr QSize kClientSize{618, 386};

// What the fields that do not belong to a bouquet entry show in its mode.
const QString kNotApplicable = QStringLiteral("-");

} // namespace

TFrmServiceProperties::TFrmServiceProperties(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmServiceProperties>())
{
    ui->setupUi(this);
    setFixedSize(kClientSize);
    connect(ui->BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->BtnFind, &QPushButton::clicked, this, &TFrmServiceProperties::BtnFindClick);
    connect(ui->BtnAction, &QPushButton::clicked, this, &TFrmServiceProperties::BtnActionClick);
}

TFrmServiceProperties::~TFrmServiceProperties() = default;

void TFrmServiceProperties::SetProgram(TProgram *program)
{
    m_program = program;
}

void TFrmServiceProperties::SetSelectionList(TFrmServiceSelectionList *selectionList)
{
    m_selectionList = selectionList;
}

void TFrmServiceProperties::SetLogoImages(const TImageList *logos)
{
    m_logos = logos;
}

// ------------------------------------------------------------ service mode

bool TFrmServiceProperties::ShowServiceProperties(TServiceList &list, TService *service,
                                                  TTransponder *transponder, TSatelite *satelite,
                                                  bool isNew, bool withAction)
{
    const bool haveObjects = service && transponder && satelite;
    // An edit changes the objects it was given; without them there is nothing to edit.
    if (!isNew && !haveObjects)
        return false;
    m_mode = Mode::Service;
    ui->BtnFind->hide();
    m_pendingAction = saAdd;
    m_actionChosen = false;
    ui->BtnAction->setVisible(withAction);
    setFieldsEnabled(true);
    setWindowTitle(isNew ? msg(MsgServicePropertiesNewService) : msg(MsgServicePropertiesCaption));
    ui->ImgLogo->clear();
    if (haveObjects) {
        fillFields(*service, *transponder, *satelite);
        m_pendingAction = service->GetAction();
        showLogo(*service);
    }
    // Input that cannot be taken never leaves the dialog: the user is told
    // why and finds what was typed again.
    for (;;) {
        if (exec() != QDialog::Accepted)
            return false;
        if (!ValidateFields())
            continue;
        // OK on what was shown changes nothing: no list is touched, and the
        // lists stay saved, so closing asks nothing and no history state is made.
        if (!isNew && fieldsMatch(*service, *transponder, *satelite, withAction))
            return false;
        if (!identicalService(list, service, isNew))
            break;
        information(msg(MsgServicePropertiesIdenticalService));
    }
    acceptService(list, service, transponder, isNew, withAction);
    return true;
}

TTransponder *TFrmServiceProperties::transponderOfFields(TServiceList &list) const
{
    return list.FindPlace(*transponderFromFields(), cleanName(ui->EdtSatName)).second;
}

const TService *TFrmServiceProperties::identicalService(TServiceList &list,
                                                        const TService *service, bool isNew) const
{
    const TTransponder *target = transponderOfFields(list);
    if (!target)
        return nullptr;
    // The receiver keys its channels by their ids, read as hexadecimal
    // numbers ("65" is "0065"): a second service of the same id on the
    // transponder would be lost there, whatever its name or type. An edit
    // that stays on its transponder may keep its own id.
    const QString sid = ui->EdtSID->text();
    bool typedNumber = false;
    const qulonglong typed = sid.toULongLong(&typedNumber, 16);
    const auto sameId = [&](const QString &other) {
        bool number = false;
        const qulonglong value = other.toULongLong(&number, 16);
        return typedNumber && number ? value == typed : sameText(other, sid);
    };
    const TService *identical = nullptr;
    target->forEachService([&](const TService *other) {
        if (!identical && other != (isNew ? nullptr : service) && sameId(other->Sid))
            identical = other;
    });
    return identical;
}

bool TFrmServiceProperties::fieldsMatch(const TService &service, const TTransponder &transponder,
                                        const TSatelite &satelite, bool withAction) const
{
    if (actionChosen(withAction) && m_pendingAction != service.GetAction())
        return false;
    const std::pair<const QLineEdit *, QString> shown[] = {
        {ui->EdtServiceName, service.Name},       {ui->EdtSID, service.Sid},
        {ui->EdtSType, service.GetServiceType()}, {ui->EdtTSID, transponder.Tsid},
        {ui->EdtFrequency, transponder.Frequency}, {ui->EdtONID, transponder.Onid},
        {ui->EdtSR, transponder.SymbolRate},      {ui->EdtInversion, transponder.Inversion},
        {ui->EdtPolarization, transponder.Polarization}, {ui->EdtModulation, transponder.Modulation},
        {ui->EdtFEC, transponder.Fec},            {ui->EdtSatName, satelite.Name},
        {ui->EdtDiseqc, satelite.Diseqc},
    };
    for (const auto &[edit, value] : shown) {
        const QString text = edit == ui->EdtServiceName || edit == ui->EdtSatName ? cleanName(edit) : edit->text();
        if (text != value)
            return false;
    }
    return true;
}

// The receiver reads the identifiers as hexadecimal text and the tuning
// values and the DiSEqC position as decimal numbers: a frequency "abc" would
// be written as it stands and read back as 0.
bool TFrmServiceProperties::ValidateFields()
{
    return fieldsReadable({ui->EdtServiceName, ui->EdtSatName},
                          {{ui->EdtSID, isHexNumber},
                           {ui->EdtSType, isHexNumber},
                           {ui->EdtFrequency, isDecimalNumber},
                           {ui->EdtTSID, isHexNumber},
                           {ui->EdtONID, isHexNumber},
                           {ui->EdtInversion, isDecimalNumber},
                           {ui->EdtSR, isDecimalNumber},
                           {ui->EdtFEC, isDecimalNumber},
                           {ui->EdtPolarization, isDecimalNumber},
                           {ui->EdtModulation, isDecimalNumber},
                           {ui->EdtDiseqc, isDiseqcPosition}});
}

bool TFrmServiceProperties::fieldsReadable(std::initializer_list<QLineEdit *> names,
                                           std::initializer_list<TNumberField> numbers)
{
    // The dialog comes back with the focus where the user has to look.
    const auto refuse = [this](QLineEdit *field, MsgId why) {
        information(msg(why));
        field->setFocus();
        return false;
    };
    for (QLineEdit *name : names) {
        if (cleanName(name).isEmpty())
            return refuse(name, MsgServicePropertiesNameEmpty);
    }
    for (const auto &[edit, readable] : numbers) {
        if (!readable(edit->text()))
            return refuse(edit, MsgServicePropertiesInvalidParameter);
    }
    return true;
}

QString TFrmServiceProperties::cleanName(const QLineEdit *edit) const
{
    // A pasted control character would make the saved list unreadable.
    return cleanXmlText(edit->text());
}

int TFrmServiceProperties::information(const QString &text) const
{
    if (!m_program || !m_program->Prompts)
        return TPrompts::mbOK;
    return m_program->Prompts->messageBox(TPrompts::TMsgKind::Information, text, TPrompts::mbOK);
}

void TFrmServiceProperties::setFieldsEnabled(bool enabled)
{
    for (QLineEdit *edit : {ui->EdtSType, ui->EdtFrequency, ui->EdtInversion, ui->EdtSR,
                            ui->EdtFEC, ui->EdtPolarization, ui->EdtModulation, ui->EdtSatName,
                            ui->EdtDiseqc}) {
        edit->setEnabled(enabled);
        if (!enabled)
            edit->setText(kNotApplicable);
    }
}

void TFrmServiceProperties::fillFields(const TService &service, const TTransponder &transponder,
                                       const TSatelite &satelite)
{
    ui->EdtServiceName->setText(service.Name);
    ui->EdtSID->setText(service.Sid);
    ui->EdtSType->setText(service.GetServiceType());
    ui->EdtTSID->setText(transponder.Tsid);
    ui->EdtFrequency->setText(transponder.Frequency);
    ui->EdtONID->setText(transponder.Onid);
    ui->EdtSR->setText(transponder.SymbolRate);
    ui->EdtInversion->setText(transponder.Inversion);
    ui->EdtPolarization->setText(transponder.Polarization);
    ui->EdtModulation->setText(transponder.Modulation);
    ui->EdtFEC->setText(transponder.Fec);
    ui->EdtSatName->setText(satelite.Name);
    ui->EdtDiseqc->setText(satelite.Diseqc);
}

void TFrmServiceProperties::showLogo(const TService &service)
{
    ui->ImgLogo->clear();
    if (m_logos && service.LogoIndex >= 0 && service.LogoIndex < m_logos->Count())
        ui->ImgLogo->setPixmap(m_logos->Image(service.LogoIndex));
}

std::unique_ptr<TService> TFrmServiceProperties::serviceFromFields() const
{
    auto service = std::make_unique<TService>();
    service->Name = cleanName(ui->EdtServiceName);
    service->Sid = ui->EdtSID->text();
    service->SetServiceType(ui->EdtSType->text());
    return service;
}

std::unique_ptr<TTransponder> TFrmServiceProperties::transponderFromFields() const
{
    auto transponder = std::make_unique<TTransponder>();
    transponder->Tsid = ui->EdtTSID->text();
    transponder->Onid = ui->EdtONID->text();
    transponder->Frequency = ui->EdtFrequency->text();
    transponder->Inversion = ui->EdtInversion->text();
    transponder->SymbolRate = ui->EdtSR->text();
    transponder->Fec = ui->EdtFEC->text();
    transponder->Polarization = ui->EdtPolarization->text();
    transponder->Modulation = ui->EdtModulation->text();
    return transponder;
}

// An edited service that changes transponder is made anew there; it keeps
// what the dialog does not show (country, provider, channel number...) and
// the action it had, unless the user chose another.
std::unique_ptr<TService> TFrmServiceProperties::movedService(const TService &old,
                                                              bool withAction) const
{
    std::unique_ptr<TService> service = old.Clone();
    service->Name = cleanName(ui->EdtServiceName);
    service->Sid = ui->EdtSID->text();
    service->SetServiceType(ui->EdtSType->text());
    service->ChannelNr = old.ChannelNr;
    service->SetProvider(old.Provider());
    if (actionChosen(withAction))
        service->SetAction(m_pendingAction);
    else
        service->SetActionText(old.Action());
    return service;
}

void TFrmServiceProperties::acceptService(TServiceList &list, TService *service,
                                          TTransponder *transponder, bool isNew, bool withAction)
{
    if (BeforeModelChange)
        BeforeModelChange();
    TBouquetList *bouquets = m_program ? m_program->BouquetList.get() : nullptr;
    // Entries linked to the edited service follow its new name and ids; the
    // next linking resolves them again.
    const auto followEdit = [&](const TService &edited, const TTransponder &itsTransponder) {
        if (bouquets)
            bouquets->UpdateServiceReferences(edited.Name, edited.Sid, itsTransponder.Tsid,
                                              itsTransponder.Onid, service);
    };
    const auto made = [&]() {
        std::unique_ptr<TService> result;
        if (isNew) {
            result = serviceFromFields();
            // A new my-services entry does something: beside a template that
            // does nothing, or spells its action its own way, it is an add.
            const int action = m_pendingAction == saNone ? int(saAdd) : m_pendingAction;
            result->SetAction(withAction ? action : int(saNone));
        } else {
            result = movedService(*service, withAction);
        }
        result->Marked = true;
        return result;
    };

    // Only the new or edited service is marked afterwards: the main window
    // selects the marked row after refilling.
    list.UnmarkAll();

    // The dialog refused input identical to another service of the
    // transponder before it closed.
    if (!isNew && transponderOfFields(list) == transponder) {
        auto edited = serviceFromFields();
        // A new name or id: the look-up tables must not find it as it was.
        SaveHandler().SetModified();
        service->Name = edited->Name;
        service->Sid = edited->Sid;
        service->SetServiceType(edited->GetServiceType());
        service->Marked = true;
        if (actionChosen(withAction))
            service->SetAction(m_pendingAction);
        followEdit(*service, *transponder);
        return;
    }

    // A new service, or an edited one moving to another transponder, which
    // the list makes (with its satellite) where it has none: of the fields,
    // the transponder and a new satellite keep what the list's file holds.
    const auto typed = transponderFromFields();
    TSatelite typedSatelite;
    typedSatelite.Name = cleanName(ui->EdtSatName);
    typedSatelite.Diseqc = ui->EdtDiseqc->text();
    std::unique_ptr<TService> created = made();
    if (!isNew)
        followEdit(*created, *typed);
    TService *inList = nullptr;
    list.AddServiceAt(std::move(created), *typed, typedSatelite, inList);
    if (!isNew)
        transponder->DeleteService(service);
}

void TFrmServiceProperties::BtnActionClick()
{
    int action = m_pendingAction;
    if (ChooseAction && ChooseAction(action)) {
        m_pendingAction = action;
        m_actionChosen = true;
    }
}

// An edit rewrites the action text only when the user picked an action: the
// pending action read from a text like "Add" is "none" and would empty it.
bool TFrmServiceProperties::actionChosen(bool withAction) const
{
    return withAction && m_actionChosen;
}

// ------------------------------------------------------- bouquet-entry mode

bool TFrmServiceProperties::ShowBouquetServiceProperties(TBouquetService &entry)
{
    // Making the working copy and searching touch the unsaved-changes flag;
    // a cancelled dialog has changed nothing and leaves the flag as it was.
    const bool wasSaved = SaveHandler().Saved();
    m_mode = Mode::BouquetEntry;
    setWindowTitle(msg(MsgServicePropertiesBouquetCaption));
    ui->BtnFind->show();
    ui->BtnAction->hide();
    ui->ImgLogo->clear();
    m_workingEntry = entry.Clone();
    setBouquetFields(entry);
    setFieldsEnabled(false);
    bool accepted = false;
    for (;;) {
        if (exec() != QDialog::Accepted)
            break;
        if (validateBouquetFields()) {
            accepted = true;
            break;
        }
    }
    if (accepted) {
        m_workingEntry->AssignTo(entry);
        entry.Name = cleanName(ui->EdtServiceName);
        entry.Sid = ui->EdtSID->text();
        entry.Tsid = ui->EdtTSID->text();
        entry.Onid = ui->EdtONID->text();
    } else if (wasSaved) {
        SaveHandler().SetSaved();
    }
    m_workingEntry.reset();
    m_mode = Mode::Service;
    return accepted;
}

// An entry is written to the bouquets file as it stands and linked by its
// ids: it needs a name and ids the receiver can read, like a service.
bool TFrmServiceProperties::validateBouquetFields()
{
    return fieldsReadable({ui->EdtServiceName},
                          {{ui->EdtSID, isHexNumber}, {ui->EdtTSID, isHexNumber}, {ui->EdtONID, isHexNumber}});
}

void TFrmServiceProperties::setBouquetFields(const TBouquetService &entry)
{
    ui->EdtServiceName->setText(entry.Name);
    ui->EdtSID->setText(entry.Sid);
    ui->EdtTSID->setText(entry.Tsid);
    ui->EdtONID->setText(entry.Onid);
}

void TFrmServiceProperties::BtnFindClick()
{
    TServiceList *services = m_program ? m_program->ServiceList.get() : nullptr;
    TFrmServiceSelectionList *selection = m_selectionList;
    if (!selection && m_program)
        selection = m_program->FormAs<TFrmServiceSelectionList>(
            QStringLiteral("FrmServiceSelectionList"));
    if (m_mode != Mode::BouquetEntry || !m_workingEntry || !services || !selection)
        return;

    selection->ClearCandidates();
    TService serviceTemplate;
    TTransponder transponderTemplate;
    TSatelite sateliteTemplate;
    const auto wildcards = [&] {
        serviceTemplate.SetWildcards();
        transponderTemplate.SetWildcards();
        sateliteTemplate.SetWildcards();
    };
    // Each hit is flagged matched, so the next call finds the next one and
    // the second pass does not list a service of the first again.
    const auto collect = [&] {
        TService *service = nullptr;
        TTransponder *transponder = nullptr;
        TSatelite *satelite = nullptr;
        while (services->Find(serviceTemplate, transponderTemplate, sateliteTemplate, true,
                              service, transponder, satelite)
               >= 0)
            selection->AddCandidate(service, transponder, satelite);
    };
    wildcards();
    services->ResetMatched();
    serviceTemplate.Sid = ui->EdtSID->text();
    transponderTemplate.Tsid = ui->EdtTSID->text();
    transponderTemplate.Onid = ui->EdtONID->text();
    collect();
    wildcards();
    serviceTemplate.Name = ui->EdtServiceName->text();
    collect();

    if (selection->CandidateCount() == 0) {
        information(msg(MsgServicePropertiesNothingFound));
        return;
    }
    TService *service = nullptr;
    TTransponder *transponder = nullptr;
    TSatelite *satelite = nullptr;
    if (selection->Execute(service, transponder, satelite) != QDialog::Accepted || !service)
        return;
    m_workingEntry->SetLinks(service, transponder, satelite);
    m_workingEntry->UpdateFromLinks();
    setBouquetFields(*m_workingEntry);
}
