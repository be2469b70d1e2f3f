// The library folders dialog: the folders the library scans and the one it imports into.
#pragma once

#include <QDialog>
#include <QStringList>

namespace Ui {
class bibliotecaDlg;
}

class bibliotecaDlg : public QDialog
{
    Q_OBJECT
public:
    explicit bibliotecaDlg(QWidget* parent = nullptr);
    ~bibliotecaDlg() override;

    // Shows the scan folders that exist (each once) and the import folder.
    void setData(const QStringList& scanDirs, const QString& importDir);
    void getData(QStringList* scanDirs, QString* importDir) const;

    // What the buttons do once a folder is chosen. False, after telling the user why, when the
    // folder is refused.
    bool addDirectory(const QString& dir);
    bool setImportDirectory(const QString& dir);

    Ui::bibliotecaDlg* form() const { return ui; }

public slots:
    void addDir();
    void removeSelectedDirs();
    void selectImportDir();

private:
    bool inTree(const QString& path, Qt::MatchFlags flags) const;
    void addItem(const QString& path);

    Ui::bibliotecaDlg* ui;
};
