#include "ui/translate/lang_ini_file.h"

TLangIniFile::TLangIniFile(const QString &fileName) : m_fileName(fileName)
{
    m_ini.load(fileName);
}

TLangIniFile TLangIniFile::fromText(const QString &text, const QString &fileName)
{
    TLangIniFile file;
    file.m_fileName = fileName;
    file.m_ini = IniFile::fromText(text);
    return file;
}
