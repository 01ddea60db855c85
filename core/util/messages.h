#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Every user-visible text of the program has a numeric id; msg() is the one
// place that turns an id into text. A translation (language file) can be
// plugged in; without one, or for ids it does not translate, the built-in
// English text is used.
enum MsgId : int {
#define PELLORAN_MSG(name, id, text) name = id,
#include "core/util/messages.def"
#undef PELLORAN_MSG
};

inline constexpr int kFirstMessageId = 64944;
inline constexpr int kLastMessageId = 65535;

QString msg(MsgId id);

// The built-in English text of an id; empty for an id the catalogue lacks.
QString builtinMessage(int id);

// Every id the catalogue holds, ascending.
QList<int> builtinMessageIds();

// Returns the translated text for an id, or nothing to fall back to the
// built-in text. Called from any thread; the hook must be thread-safe.
using MessageTranslation = std::function<std::optional<QString>(int id)>;
void setMessageTranslation(MessageTranslation translation);

// Fill "%1" (and "%2") of a message template. Every occurrence is replaced in
// one left-to-right pass, so placeholders arriving inside an argument are
// never replaced again.
QString FormatMsg1(const QString &templ, const QString &arg1);
QString FormatMsg2(const QString &templ, const QString &arg1, const QString &arg2);
