#pragma once
// The drawing styles dialog of cutting maps: for parts, cuts, usable
// off-cuts and waste a "draw" switch, a pen, for the three area kinds a
// brush, a font and three text switches; section [PrnSetupAdv].
#include "print/flows/mapprint.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class TExSpinEdit;
class TgwColorCombo;
class TgwCustomOutlookList;
class TgwOutlookBar;
class TgwOutlookList;
class TgwOutlookListItem;

namespace kv {
class TIniFile;
class Ui;
}

class TfrmPrintSetupAdv : public QDialog
{
    Q_OBJECT
public:
    // `ui` runs the dialog and its font chooser.
    TfrmPrintSetupAdv(kv::Ui &ui, kv::TIniFile &settings, QWidget *parent = nullptr);

    // Loads, enables and shows modally; true with "Да" (which writes the settings).
    bool Execute();

    // The controls of one area kind (parts, off-cuts, waste) or of the cuts.
    struct Kind
    {
        QWidget *page = nullptr;
        QCheckBox *draw = nullptr, *title = nullptr, *dim = nullptr, *trunc = nullptr;
        TgwColorCombo *brushColor = nullptr, *penColor = nullptr;
        QComboBox *brushStyle = nullptr, *penStyle = nullptr;
        QLabel *fontPanel = nullptr;
        QPushButton *fontButton = nullptr;
        TExSpinEdit *width = nullptr;   // cuts only
        kv::IniFont font;
    };
    Kind Detal, Mill, Scrap, LostScrap;

    // Pens and brushes as the controls show them (area pens always width 1).
    kv::IniPen GetKindPen(const Kind &k) const;
    void SetKindPen(Kind &k, const kv::IniPen &p);
    kv::IniBrush GetKindBrush(const Kind &k) const;
    void SetKindBrush(Kind &k, const kv::IniBrush &b);
    int GetActivePage() const;
    void SetActivePage(int i);
    kv::MapPrintStyles Styles() const;

    TgwOutlookBar *OutlookBar;
    TgwOutlookList *OutlookList;
    QStackedWidget *PageControl;
    QPushButton *bbOk, *bbCancel;

    // The sample pictures of the style combos (one item each).
    static QImage BrushSample(int style, qint32 color, bool selected, QSize size);
    static QImage PenSample(int style, qint32 color, bool selected, QSize size);

public slots:
    void LoadSettings();
    void SaveSettings();
    void UpdateDetalControls();
    void UpdateMillControls();
    void UpdateScrapControls();
    void UpdateLostScrapControls();
    void OutlookListItemClick(TgwCustomOutlookList *list, TgwOutlookListItem *item);
    void bbOkClick();
    void bbFontClick();

private:
    void buildAreaPage(Kind &k, const QString &name, const QString &what, int tag);
    void buildMillPage();
    void EnableChildren(Kind &k);
    void loadKind(Kind &k, const kv::MapKindStyle &s);
    kv::MapKindStyle kindStyle(const Kind &k) const;
    kv::Ui &m_ui;
    kv::TIniFile &m_ini;
};
