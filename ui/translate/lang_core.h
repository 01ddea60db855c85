#pragma once

#include "ui/translate/lang_ini_file.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class QObject;
class TLangManager;

// The process-wide translation engine. It knows the language files of one
// folder, keeps the chosen one open, and answers every message lookup of the
// program (msg() asks it first, then falls back to the built-in text).
//
// One instance at a time: the program creates it before its first window and
// destroys it after its last; tests create their own on a folder of their own.
// Lookups come from any thread (the logo worker calls msg()), so everything
// that reads or changes the language goes through one re-entrant lock.
class TLangCore
{
public:
    // programDir: the folder whose "Language" sub-folder (any letter case)
    // holds the ".lng" files. Selects "English", else the first language found.
    explicit TLangCore(const QString &programDir);
    ~TLangCore();
    TLangCore(const TLangCore &) = delete;
    TLangCore &operator=(const TLangCore &) = delete;

    // The engine, or nullptr while none exists.
    static TLangCore *GetLangCore();

    void setLangsDir(const QString &folder);
    QString langsDir() const;
    void setCurrentLang(const QString &name);
    // setCurrentLang, then the first listed language when none is selected.
    void selectLanguage(const QString &name);
    QString currentLang() const;
    int langCount() const;
    QString lang(int index) const;
    QStringList langs() const;

    std::optional<QString> findResourceString(int id) const;

    // Sets properties below root from the section named after root's class.
    void translateRoot(QObject *root);

    void registerManager(TLangManager *manager);
    void unregisterManager(TLangManager *manager);

    // Whether msg() consults this engine.
    bool translateResourceStrings() const { return m_hookEnabled.load(); }
    void setTranslateResourceStrings(bool enabled);

private:
    void rescan();
    void reloadFile();

    mutable std::recursive_mutex m_dataLock;
    std::recursive_mutex m_translatorsLock;
    QString m_currentLang;
    QStringList m_langs;
    std::unique_ptr<TLangIniFile> m_file;
    // The open file's resource strings by the id part of their keys, the
    // first of each in file order (values still literals): a look-up, found
    // or not, does not walk thousands of keys. The file is only read, so
    // the table holds as long as the file stays open.
    QHash<QString, QString> m_resourceStrings;
    QString m_langsDir;
    QList<TLangManager *> m_managers;
    std::atomic<bool> m_hookEnabled{false};
};

// The folder a program folder keeps its language files in: the entry named
// "Language" ignoring letter case ("Language" itself when none exists yet).
QString languagesFolderOf(const QString &programDir);
