#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class TLangTranslator;

// A window-side handle on the engine: the language and folder it exposes are
// the engine's, and changing them can be vetoed. A manager retranslates its
// translators whenever the engine's language changes.
class TLangManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString LangsDir READ LangsDir WRITE SetLangsDir)
    Q_PROPERTY(QString CurrentLang READ CurrentLang WRITE SetCurrentLang)
    Q_PROPERTY(bool TranslateResourceStrings READ TranslateResourceStrings WRITE SetTranslateResourceStrings)

public:
    using TCurrentLangChangingEvent =
        std::function<void(TLangManager *sender, const QString &oldLanguage,
                           const QString &newLanguage, bool &cancel)>;
    using TLangsDirChangingEvent =
        std::function<void(TLangManager *sender, const QString &oldFolder,
                           const QString &newFolder, bool &cancel)>;

    explicit TLangManager(QObject *parent = nullptr);
    ~TLangManager() override;

    // Each throws Exception when no engine exists.
    QString LangsDir() const;
    void SetLangsDir(const QString &folder);
    QString CurrentLang() const;
    void SetCurrentLang(const QString &language);
    bool TranslateResourceStrings() const;
    void SetTranslateResourceStrings(bool enabled);

    const QList<TLangTranslator *> &Translators() const { return m_translators; }
    // Fires BeforeAllTranslate, translates each translator in order, fires AfterAllTranslate.
    void TranslateAll();

    TCurrentLangChangingEvent CurrentLangChanging;
    TLangsDirChangingEvent LangsDirChanging;
    std::function<void(TLangManager *)> BeforeAllTranslate;
    std::function<void(TLangManager *)> AfterAllTranslate;

private:
    friend class TLangTranslator;
    void attach(TLangTranslator *translator);
    void detach(TLangTranslator *translator);

    QList<TLangTranslator *> m_translators;
};

// Placed on a window (its parent): translates the window's properties from
// the language file's section named after the window's class, once the window
// is built (Loaded) and again on every language change of its manager.
class TLangTranslator : public QObject
{
    Q_OBJECT

public:
    explicit TLangTranslator(QObject *owner);
    ~TLangTranslator() override;

    TLangManager *Manager() const { return m_manager; }
    void SetManager(TLangManager *manager);

    // The window calls this when its children exist.
    void Loaded();
    void Translate();

    std::function<void(TLangTranslator *)> BeforeTranslate;
    std::function<void(TLangTranslator *)> AfterTranslate;

private:
    friend class TLangManager;
    TLangManager *m_manager = nullptr;
};
