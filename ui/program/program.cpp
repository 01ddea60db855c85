#include "ui/program/program.h"

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/zapit/xml_file_handler.h"

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>

TProgram::TProgram() = default;

TProgram::~TProgram()
{
    FreeForms();
}

QString TProgram::SettingsFile() const
{
    return QDir(ProgramFolder).filePath(QLatin1String(kSettingsFileName));
}

void TProgram::CreateLists()
{
    ServiceList = std::make_unique<TServiceList>();
    MyServiceList = std::make_unique<TServiceList>(ZapitKind::MyServices);
    BouquetList = std::make_unique<TBouquetList>();
    KingOfSatList = std::make_unique<TServiceList>();
}

void TProgram::FreeLists()
{
    // Bouquet entries point at services: the bouquets go first.
    BouquetList.reset();
    ServiceList.reset();
    MyServiceList.reset();
    KingOfSatList.reset();
}

void TProgram::AddForm(const QString &name, std::unique_ptr<QWidget> form)
{
    form->setObjectName(name);
    m_formsByName.insert(name.toLower(), form.get());
    m_forms.push_back(std::move(form));
}

QWidget *TProgram::Form(const QString &name) const
{
    return m_formsByName.value(name.toLower());
}

void TProgram::RemoveForm(const QString &name)
{
    QWidget *form = m_formsByName.take(name.toLower());
    if (!form)
        return;
    for (auto it = m_forms.begin(); it != m_forms.end(); ++it) {
        if (it->get() == form) {
            m_forms.erase(it);
            return;
        }
    }
}

void TProgram::FreeForms()
{
    m_formsByName.clear();
    while (!m_forms.empty())
        m_forms.pop_back();
    FrmMain = nullptr;
}

QString TProgram::SettingText(const char *name) const
{
    QWidget *settings = Form(QStringLiteral("FrmSettings"));
    const auto *edit = settings ? settings->findChild<QLineEdit *>(QLatin1String(name)) : nullptr;
    return edit ? edit->text() : QString();
}

bool TProgram::SettingChecked(const char *name, bool absent) const
{
    QWidget *settings = Form(QStringLiteral("FrmSettings"));
    const auto *box = settings ? settings->findChild<QAbstractButton *>(QLatin1String(name)) : nullptr;
    return box ? box->isChecked() : absent;
}
