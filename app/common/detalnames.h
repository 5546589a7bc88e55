#pragma once
// "Названия деталей": the part names offered in the part code column of the
// part-base windows, kept in [Detal_Name] of the settings file.
#include <QDialog>
#include <QStringList>

#include <memory>

class TExDBGrid;
class TMemData;
class QPushButton;

namespace kv {
class DataSource;
class TIniFile;
class Ui;
} // namespace kv

// Names in the order of a person reading a Russian list: without regard to
// case, "Ё" beside "Е".
bool DetalNameLess(const QString &a, const QString &b);
// The names of [Detal_Name], sorted.
QStringList ReadDetalNames(const kv::TIniFile &ini);

class TfrmDetalNames : public QDialog
{
    Q_OBJECT

public:
    TfrmDetalNames(kv::Ui &ui, kv::TIniFile &ini, QWidget *parent = nullptr);
    ~TfrmDetalNames() override;

    TMemData *mdNames() const { return m_table.get(); }
    TExDBGrid *dbgNames() const { return m_grid; }
    // The names as the table holds them now.
    QStringList Names() const;

public slots:
    void LoadNames();
    void SaveNames();
    void bbDeleteClick();

private:
    kv::Ui &m_ui;
    kv::TIniFile &m_ini;
    std::unique_ptr<TMemData> m_table;
    std::unique_ptr<kv::DataSource> m_source;
    TExDBGrid *m_grid;
};

// Shows the dialog; true after "&Да" (the names are written).
bool EditDetalNames(kv::Ui &ui, kv::TIniFile &ini, QWidget *parent = nullptr);
