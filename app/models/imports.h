#pragma once
// The imports of the main window's menus, the start-up import of "AutoRun\"
// with its progress window, and the models catalog import.
#include "data/imports/partlists.h"

#include <QDialog>
#include <QStringList>

class AppContext;
class QLabel;
class QProgressBar;
class QWidget;
namespace kv {
class PartBaseDocument;
}

// "Импорт баз деталей": kind and file labels over a bar.
class TfrmAutoRun : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmAutoRun(QWidget *parent = nullptr);
    QLabel *lblKind() const { return m_kind; }
    QLabel *lblFile() const { return m_file; }
    QProgressBar *pbProgress() const { return m_bar; }
    // The parts of the file being imported; shown only while a big file is.
    QProgressBar *pbParts() const { return m_parts; }

private:
    QLabel *m_kind, *m_file;
    QProgressBar *m_bar, *m_parts;
};

// "... баз деталей версий 1.x", "... 2.x", "... из файла с разделителями
// табуляциями", "... из конструкторского модуля" (`file` empty: asked).
void ImportOldVersion(AppContext &ctx, QWidget *parent);
void ImportVersion2(AppContext &ctx, QWidget *parent);
void ImportTextFile(AppContext &ctx, QWidget *parent);
// `progress` hears how far the parts of the file are in.
void ImportDesignerBase(AppContext &ctx, const QString &file, QWidget *parent,
                        const kv::PartsProgress &progress = {});
// "... в файл с разделителями табуляциями": the rows the part base shows;
// rows that the format cannot carry are reported, not dropped silently.
void ExportGroupText(AppContext &ctx, kv::PartBaseDocument &group, QWidget *parent);
// "Импорт базы моделей".
void ImportModelsCatalogCommand(AppContext &ctx, QWidget *parent);

// "AutoRun\" at the first show: designer files become part bases (each
// deleted only after its import succeeded), model description files give
// quantities in the models base window (the missing models are reported).
// Returns false when the folder held nothing to import.
bool ImportAutoRunFiles(AppContext &ctx, QWidget *parent);
