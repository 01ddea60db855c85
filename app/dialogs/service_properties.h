#pragma once

#include <QDialog>
#include <QStringView>

#include <functional>
#include <initializer_list>
#include <memory>

namespace Ui {
class FrmServiceProperties;
}

class QLineEdit;
class TBouquetService;
class TFrmServiceSelectionList;
class TImageList;
class TSatelite;
class TService;
class TServiceList;
class TTransponder;
struct TProgram;

// Views, edits or adds one service with its transponder and satellite, or
// edits the name and identifiers of a bouquet entry. The caption and the
// visible buttons depend on the mode it is opened in.
class TFrmServiceProperties : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmServiceProperties(QWidget *parent = nullptr);
    ~TFrmServiceProperties() override;

    // The program's lists (the bouquets follow edited services; the search
    // looks in the services list) and its prompts.
    void SetProgram(TProgram *program);
    // Where the search shows what it found; without one, the program's
    // "FrmServiceSelectionList".
    void SetSelectionList(TFrmServiceSelectionList *selectionList);
    // The main window's logo pictures, indexed by a service's LogoIndex.
    void SetLogoImages(const TImageList *logos);

    // The add/remove/replace choice, opened with the pending action; true
    // with the chosen one in `action` on OK. Unset: the button does nothing.
    std::function<bool(int &action)> ChooseAction;
    // Runs once before an accepted edit changes the model, so no other reader
    // of the lists (the logo thread) is left with a service about to be freed.
    std::function<void()> BeforeModelChange;

    // Edits `service` (isNew false) or adds a service, prefilled from the
    // given objects when all three are given, else from the previous use.
    // withAction offers the my-services action. True when the model changed.
    bool ShowServiceProperties(TServiceList &list, TService *service, TTransponder *transponder,
                               TSatelite *satelite, bool isNew, bool withAction);
    // Name and identifiers of a bouquet entry, and a search that links it to
    // a service of the services list. True when the entry changed.
    bool ShowBouquetServiceProperties(TBouquetService &entry);

    // The OK check of the service mode; tells the user what is wrong.
    bool ValidateFields();

    // The my-services action a new service gets (0 add, 1 remove, 2 replace,
    // 3 none).
    int PendingAction() const { return m_pendingAction; }

private Q_SLOTS:
    void BtnFindClick();
    void BtnActionClick();

private:
    enum class Mode { Service, BouquetEntry };

    void setFieldsEnabled(bool enabled);
    void fillFields(const TService &service, const TTransponder &transponder,
                    const TSatelite &satelite);
    void showLogo(const TService &service);
    bool validateBouquetFields();
    // A field and the digits the receiver reads it in.
    struct TNumberField {
        QLineEdit *edit;
        bool (*readable)(QStringView text);
    };
    // The names are not empty and every number is readable; otherwise the
    // user is told and the first field in error takes the focus.
    bool fieldsReadable(std::initializer_list<QLineEdit *> names,
                        std::initializer_list<TNumberField> numbers);
    QString cleanName(const QLineEdit *edit) const;
    int information(const QString &text) const;

    // The transponder of the list that the fields name (null where the list
    // has none).
    TTransponder *transponderOfFields(TServiceList &list) const;
    // The service of the list that the fields would repeat (the same id on
    // the same transponder), other than the edited one itself.
    const TService *identicalService(TServiceList &list, const TService *service, bool isNew) const;
    // Applies the accepted edits, which repeat no other service, to the model.
    void acceptService(TServiceList &list, TService *service, TTransponder *transponder,
                       bool isNew, bool withAction);
    // The fields show exactly what the service, its transponder and its
    // satellite hold, and no other action was chosen.
    bool fieldsMatch(const TService &service, const TTransponder &transponder,
                     const TSatelite &satelite, bool withAction) const;
    std::unique_ptr<TService> serviceFromFields() const;
    std::unique_ptr<TTransponder> transponderFromFields() const;
    std::unique_ptr<TService> movedService(const TService &old, bool withAction) const;
    bool actionChosen(bool withAction) const;
    void setBouquetFields(const TBouquetService &entry);

    std::unique_ptr<Ui::FrmServiceProperties> ui;
    TProgram *m_program = nullptr;
    TFrmServiceSelectionList *m_selectionList = nullptr;
    const TImageList *m_logos = nullptr;
    Mode m_mode = Mode::Service;
    int m_pendingAction = 0;
    // The user picked the pending action with the Actions button.
    bool m_actionChosen = false;
    // The entry as the search relinks it, while the bouquet-entry mode runs.
    std::unique_ptr<TBouquetService> m_workingEntry;
};
