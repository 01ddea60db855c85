#include "app/main/working_files.h"

#include "core/model/bouquet_list.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/util/file_utils.h"
#include "core/util/sys_utils.h"
#include "core/zapit/xml_file_handler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kKingOfSatFile = QStringLiteral("KingOfSat.xml");
const QString kServicesFile = QStringLiteral("Services.xml");
const QString kMyServicesFile = QStringLiteral("MyServices.xml");
const QString kBouquetsFile = QStringLiteral("Bouquets.xml");
const QString kHistoryFolder = QStringLiteral("History");

// The working files that have a history, in the order they are handled.
const QStringList &historyFiles()
{
    static const QStringList files = {kServicesFile, kMyServicesFile, kBouquetsFile};
    return files;
}

QString historyName(const QString &workingFile, const QString &stamp)
{
    return QFileInfo(workingFile).completeBaseName() + u'.' + stamp + QStringLiteral(".xml");
}

} // namespace

TWorkingFiles::TWorkingFiles(QString programFolder, TFrmXMLHandler &handler, TModelLists lists)
    : m_folder(std::move(programFolder)), m_handler(handler), m_lists(lists)
{
}

QString TWorkingFiles::HistoryFolder() const
{
    return QDir(m_folder).filePath(kHistoryFolder);
}

QString TWorkingFiles::WorkingFile(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

QString TWorkingFiles::stampFor(const QDateTime &time)
{
    return convertSystemTimeToDateString(time.date(), 0) + u'_'
        + convertSystemTimeToTimeString(time.time(), 0);
}

QString TWorkingFiles::stampOf(const QString &fileName)
{
    const qsizetype first = fileName.indexOf(u'.');
    const qsizetype last = fileName.lastIndexOf(u'.');
    return first < 0 || last <= first ? QString() : fileName.mid(first + 1, last - first - 1);
}

void TWorkingFiles::LoadFiles()
{
    QString error;
    if (QFileInfo::exists(WorkingFile(kKingOfSatFile)))
        m_handler.LoadServices(WorkingFile(kKingOfSatFile), error, false, m_lists.kingOfSat);
    if (QFileInfo::exists(WorkingFile(kServicesFile)))
        m_handler.LoadServices(WorkingFile(kServicesFile), error, false, m_lists.services);
    if (QFileInfo::exists(WorkingFile(kMyServicesFile)))
        m_handler.LoadMyServices(WorkingFile(kMyServicesFile), error, m_lists.myServices);
    if (QFileInfo::exists(WorkingFile(kBouquetsFile)))
        m_handler.LoadBouquets(WorkingFile(kBouquetsFile), error, m_lists.bouquets);
    LinkLists();
}

void TWorkingFiles::LinkLists()
{
    m_lists.services.LinkMyServices(m_lists.myServices);
    m_lists.bouquets.Link(m_lists.services, m_lists.myServices);
}

void TWorkingFiles::SaveFiles()
{
    SaveState();
    QString error;
    const auto saveServices = [&](const QString &name, const TServiceList &list,
                                  const QString &encoding, bool my) {
        const QString file = WorkingFile(name);
        if (list.Count() == 0) {
            QFile::remove(file);
            return;
        }
        if (my)
            m_handler.WriteMyServices(file, list.Format, list, error, encoding);
        else
            m_handler.WriteServices(file, list.Format, list, error, encoding);
    };
    saveServices(kKingOfSatFile, m_lists.kingOfSat, m_lists.kingOfSat.Encoding, false);
    saveServices(kServicesFile, m_lists.services, m_lists.services.Encoding, false);
    // The my-services file follows the receiver's list in its encoding.
    saveServices(kMyServicesFile, m_lists.myServices, m_lists.services.Encoding, true);
    const QString bouquets = WorkingFile(kBouquetsFile);
    if (m_lists.bouquets.Count() == 0)
        QFile::remove(bouquets);
    else
        m_handler.WriteBouquets(bouquets, m_lists.bouquets.Format, m_lists.bouquets, error,
                                m_lists.bouquets.Encoding);
    SaveHandler().SetSaved();
}

void TWorkingFiles::SaveState(const QDateTime &now)
{
    QDir().mkpath(HistoryFolder());
    const QString stamp = stampFor(now);
    for (const QString &name : historyFiles()) {
        const QString working = WorkingFile(name);
        if (QFileInfo::exists(working))
            cpyFile(working, QDir(HistoryFolder()).filePath(historyName(name, stamp)));
    }
}

QStringList TWorkingFiles::HistoryStamps() const
{
    QStringList stamps;
    const QFileInfoList files = QDir(HistoryFolder())
                                    .entryInfoList({QStringLiteral("*.xml")},
                                                   QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : files) {
        const QString stamp = stampOf(file.fileName());
        if (!stamps.contains(stamp))
            stamps.append(stamp);
    }
    std::sort(stamps.begin(), stamps.end(), std::greater<>());
    return stamps;
}

void TWorkingFiles::RestoreState(const QString &stamp)
{
    for (const QString &name : historyFiles()) {
        const QString saved = QDir(HistoryFolder()).filePath(historyName(name, stamp));
        const QString working = WorkingFile(name);
        if (QFileInfo::exists(saved)) {
            // Only a state that reached its place leaves the history.
            if (cpyFile(saved, working))
                QFile::remove(saved);
        } else {
            QFile::remove(working);
        }
    }
    m_lists.services.Clear();
    m_lists.myServices.Clear();
    m_lists.bouquets.Clear();
    LoadFiles();
    SaveHandler().SetSaved();
}

void TWorkingFiles::ClearHistory()
{
    QDir history(HistoryFolder());
    for (const QString &file : history.entryList({QStringLiteral("*.xml")}, QDir::Files))
        history.remove(file);
}

void TWorkingFiles::Reset()
{
    for (const QString &name : historyFiles())
        QFile::remove(WorkingFile(name));
    m_lists.bouquets.Clear();
    m_lists.myServices.Clear();
    m_lists.services.Clear();
    SaveHandler().SetSaved();
}
