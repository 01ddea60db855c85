#pragma once

#include <QString>

// Turns a language file's value into the text it stands for. Values are
// written like source literals: 'It''s done'#13#10'Next line'. Anything that
// cannot be decoded (an unterminated quote, a stray letter after a closing
// quote) gives the empty text, which is still used as the translation.
QString decodeLangLiteral(QStringView value);
