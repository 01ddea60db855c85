#pragma once

#include <QDialog>

#include <memory>

class QAbstractButton;
class QLineEdit;
class TListGrid;

namespace Ui {
class FrmImportNews;
}

// The services that the last services import added, changed and removed,
// and the settings of the bouquet that collects the new ones.
class TFrmImportNews : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmImportNews(QWidget *parent = nullptr);
    ~TFrmImportNews() override;

    // Where the three news files are (the program folder).
    void SetNewsFolder(const QString &folder) { m_newsFolder = folder; }

    // Reads the news files into the grids without showing the window; what
    // it returns says why a file that is there could not be read (its grid
    // stays empty).
    QStringList LoadNews();
    // LoadNews, then shows the window modally.
    void Execute();

    TListGrid *NewGrid() const;
    TListGrid *ChangedGrid() const;
    TListGrid *DeletedGrid() const;
    QAbstractButton *CbxAutoBouquet() const;
    QLineEdit *EdtBouquet() const;

private:
    QString m_newsFolder;
    std::unique_ptr<Ui::FrmImportNews> ui;
};

// The lines of a news file, each split by readNewsLine into the service
// name and the satellite name. UTF-8; a file that is not valid UTF-8 (left by
// an older version) is read as Windows-1252. A missing file has no lines;
// so has one that is no plain file of a sane size, with the reason in
// `errorText`.
QList<QStringList> readNewsFile(const QString &fileName, QString *errorText = nullptr);
