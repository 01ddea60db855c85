#include "ui/translate/lang_manager.h"

#include "core/util/exception.h"
#include "core/util/messages.h"
#include "ui/translate/lang_core.h"

namespace {

TLangCore &coreForRead()
{
    TLangCore *core = TLangCore::GetLangCore();
    if (!core)
        throw Exception(msg(MsgLangCoreNotAssignedRead));
    return *core;
}

TLangCore &coreForWrite()
{
    TLangCore *core = TLangCore::GetLangCore();
    if (!core)
        throw Exception(msg(MsgLangCoreNotAssignedWrite));
    return *core;
}

} // namespace

TLangManager::TLangManager(QObject *parent) : QObject(parent)
{
    if (TLangCore *core = TLangCore::GetLangCore())
        core->registerManager(this);
}

TLangManager::~TLangManager()
{
    if (TLangCore *core = TLangCore::GetLangCore())
        core->unregisterManager(this);
    for (TLangTranslator *translator : std::as_const(m_translators))
        translator->m_manager = nullptr;
}

QString TLangManager::LangsDir() const
{
    return coreForRead().langsDir();
}

void TLangManager::SetLangsDir(const QString &folder)
{
    TLangCore &core = coreForWrite();
    bool cancel = false;
    if (LangsDirChanging)
        LangsDirChanging(this, core.langsDir(), folder, cancel);
    if (!cancel)
        core.setLangsDir(folder);
}

QString TLangManager::CurrentLang() const
{
    return coreForRead().currentLang();
}

void TLangManager::SetCurrentLang(const QString &language)
{
    TLangCore &core = coreForWrite();
    bool cancel = false;
    if (CurrentLangChanging)
        CurrentLangChanging(this, core.currentLang(), language, cancel);
    if (!cancel)
        core.setCurrentLang(language);
}

bool TLangManager::TranslateResourceStrings() const
{
    return coreForRead().translateResourceStrings();
}

void TLangManager::SetTranslateResourceStrings(bool enabled)
{
    coreForWrite().setTranslateResourceStrings(enabled);
}

void TLangManager::TranslateAll()
{
    if (BeforeAllTranslate)
        BeforeAllTranslate(this);
    // A copy: a handler may attach or detach translators.
    const QList<TLangTranslator *> translators = m_translators;
    for (TLangTranslator *translator : translators)
        translator->Translate();
    if (AfterAllTranslate)
        AfterAllTranslate(this);
}

void TLangManager::attach(TLangTranslator *translator)
{
    if (!m_translators.contains(translator))
        m_translators.append(translator);
}

void TLangManager::detach(TLangTranslator *translator)
{
    m_translators.removeAll(translator);
}

TLangTranslator::TLangTranslator(QObject *owner) : QObject(owner) {}

TLangTranslator::~TLangTranslator()
{
    if (m_manager)
        m_manager->detach(this);
}

void TLangTranslator::SetManager(TLangManager *manager)
{
    if (manager == m_manager)
        return;
    if (m_manager)
        m_manager->detach(this);
    m_manager = manager;
    if (m_manager)
        m_manager->attach(this);
}

void TLangTranslator::Loaded()
{
    Translate();
}

void TLangTranslator::Translate()
{
    QObject *owner = parent();
    TLangCore *core = TLangCore::GetLangCore();
    if (!m_manager || !owner || !core)
        return;
    if (BeforeTranslate)
        BeforeTranslate(this);
    core->translateRoot(owner);
    if (AfterTranslate)
        AfterTranslate(this);
}
