#include "ui/translate/lang_core.h"

#include "core/util/exception.h"
#include "core/util/messages.h"
#include "core/util/text_compare.h"
#include "ui/translate/lang_literal.h"
#include "ui/translate/lang_manager.h"
#include "ui/translate/lang_properties.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kLanguageFolderName = QStringLiteral("Language");
const QString kLangExtension = QStringLiteral("lng");
const QString kResourceStringsSection = QStringLiteral("ResourceStrings");
const QString kDefaultLanguage = QStringLiteral("English");

std::atomic<TLangCore *> g_langCore{nullptr};

QString withTrailingSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The entry of folder named name ignoring case; an exact match is preferred.
QString findEntryIgnoringCase(const QString &folder, const QString &name, QDir::Filters filters)
{
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (QFileInfo(dir.filePath(name)).exists())
        return name;
    const QStringList entries = dir.entryList(filters | QDir::Hidden, QDir::Name);
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const QString &e) { return sameText(e, name); });
    return it == entries.end() ? QString() : *it;
}

// "65176_Caption" -> "65176"; " 65176 _x" -> "65176"; a key without "_" whole.
QStringView idPartOfKey(QStringView key)
{
    const qsizetype underscore = key.indexOf(u'_');
    return (underscore < 0 ? key : key.left(underscore)).trimmed();
}

} // namespace

QString languagesFolderOf(const QString &programDir)
{
    const QString found = findEntryIgnoringCase(programDir, kLanguageFolderName, QDir::Dirs);
    return QDir(programDir).filePath(found.isEmpty() ? kLanguageFolderName : found);
}

TLangCore::TLangCore(const QString &programDir)
{
    TLangCore *expected = nullptr;
    if (!g_langCore.compare_exchange_strong(expected, this))
        throw Exception(msg(MsgLangCoreSingleInstance));
    setLangsDir(languagesFolderOf(programDir));
    selectLanguage(kDefaultLanguage);
    // Installed once for the engine's life; switching translation off and on
    // only flips the flag, so it never waits for the catalogue's writer lock
    // (which busy readers on other threads could hold off indefinitely).
    m_hookEnabled.store(true);
    setMessageTranslation([this](int id) -> std::optional<QString> {
        if (!m_hookEnabled.load())
            return std::nullopt;
        return findResourceString(id);
    });
}

TLangCore::~TLangCore()
{
    // Waits for lookups in flight, so none reaches a half-destroyed engine.
    m_hookEnabled.store(false);
    setMessageTranslation(nullptr);
    g_langCore.store(nullptr);
}

TLangCore *TLangCore::GetLangCore()
{
    return g_langCore.load();
}

void TLangCore::setTranslateResourceStrings(bool enabled)
{
    m_hookEnabled.store(enabled);
}

void TLangCore::setLangsDir(const QString &folder)
{
    QString remembered;
    bool rescanned = false;
    {
        std::lock_guard guard(m_dataLock);
        remembered = m_currentLang;
        if (folder.isEmpty()) {
            m_langsDir.clear();
            rescan();
            rescanned = true;
        } else {
            // Exact comparison: on this file system "lang" and "Lang" are two folders.
            const QString normalized = withTrailingSlash(folder);
            if (normalized != m_langsDir) {
                m_langsDir = normalized;
                rescan();
                rescanned = true;
            }
        }
    }
    if (rescanned) {
        // The remembered language may be gone from the new folder; select anew.
        {
            std::lock_guard guard(m_dataLock);
            if (!m_langs.contains(m_currentLang, Qt::CaseInsensitive)) {
                m_currentLang.clear();
                m_file.reset();
                m_resourceStrings.clear();
            } else {
                reloadFile();
            }
        }
        selectLanguage(remembered);
    }
}

QString TLangCore::langsDir() const
{
    std::lock_guard guard(m_dataLock);
    return m_langsDir;
}

void TLangCore::rescan()
{
    m_langs.clear();
    const QDir dir(m_langsDir.isEmpty() ? QStringLiteral(".") : m_langsDir);
    // Sorted by name so that the fallback language does not depend on the
    // order the file system happens to list its entries in.
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (sameText(entry.suffix(), kLangExtension))
            m_langs.append(entry.completeBaseName());
    }
}

void TLangCore::reloadFile()
{
    m_file.reset();
    m_resourceStrings.clear();
    if (m_currentLang.isEmpty())
        return;
    const QString fileName = findEntryIgnoringCase(m_langsDir, m_currentLang + u'.' + kLangExtension,
                                                   QDir::Files);
    if (fileName.isEmpty())
        return;
    const QDir dir(m_langsDir.isEmpty() ? QStringLiteral(".") : m_langsDir);
    m_file = std::make_unique<TLangIniFile>(dir.filePath(fileName));
    const QList<TLangIniFile::TEntry> entries = m_file->ReadSection(kResourceStringsSection);
    m_resourceStrings.reserve(entries.size());
    for (const TLangIniFile::TEntry &entry : entries) {
        const QString id = idPartOfKey(entry.key).toString();
        if (!m_resourceStrings.contains(id)) // the first key of an id wins
            m_resourceStrings.insert(id, entry.value);
    }
}

void TLangCore::setCurrentLang(const QString &name)
{
    bool changed = false;
    {
        std::lock_guard guard(m_dataLock);
        if (name != m_currentLang && (name.isEmpty() || m_langs.contains(name, Qt::CaseInsensitive))) {
            m_currentLang = name;
            reloadFile();
            changed = true;
        }
    }
    if (!changed)
        return;
    std::lock_guard guard(m_translatorsLock);
    for (TLangManager *manager : std::as_const(m_managers))
        manager->TranslateAll();
}

void TLangCore::selectLanguage(const QString &name)
{
    setCurrentLang(name);
    QString first;
    {
        std::lock_guard guard(m_dataLock);
        if (!m_currentLang.isEmpty() || m_langs.isEmpty())
            return;
        first = m_langs.first();
    }
    setCurrentLang(first);
}

QString TLangCore::currentLang() const
{
    std::lock_guard guard(m_dataLock);
    return m_currentLang;
}

int TLangCore::langCount() const
{
    std::lock_guard guard(m_dataLock);
    return int(m_langs.size());
}

QString TLangCore::lang(int index) const
{
    std::lock_guard guard(m_dataLock);
    return index >= 0 && index < m_langs.size() ? m_langs.at(index) : QString();
}

QStringList TLangCore::langs() const
{
    std::lock_guard guard(m_dataLock);
    return m_langs;
}

std::optional<QString> TLangCore::findResourceString(int id) const
{
    std::lock_guard guard(m_dataLock);
    if (!m_file)
        return std::nullopt;
    const auto it = m_resourceStrings.constFind(QString::number(id));
    if (it == m_resourceStrings.constEnd())
        return std::nullopt;
    return decodeLangLiteral(*it);
}

void TLangCore::translateRoot(QObject *root)
{
    if (!root)
        return;
    std::lock_guard guard(m_dataLock);
    if (!m_file)
        return;
    const QString section = QString::fromLatin1(root->metaObject()->className());
    for (const TLangIniFile::TEntry &entry : m_file->ReadSection(section))
        applyLangProperty(root, entry.key, entry.value);
}

void TLangCore::registerManager(TLangManager *manager)
{
    std::lock_guard guard(m_translatorsLock);
    if (manager && !m_managers.contains(manager))
        m_managers.append(manager);
}

void TLangCore::unregisterManager(TLangManager *manager)
{
    std::lock_guard guard(m_translatorsLock);
    m_managers.removeAll(manager);
}
