#pragma once
// The print settings dialog of cutting maps: which maps, how many to a
// page, which figures and lists go with each map, and the font of the
// report's texts. Its state lives in [Sheet_Page_Params], read when it opens
// and written whenever it closes.
#include "print/flows/mapprint.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TExSpinEdit;

namespace kv {
class TIniFile;
class Ui;

// The font chooser of the dialogs; true when confirmed.
bool ChoosePrintFont(Ui &ui, IniFont &font, QWidget *parent);
// The font sample panel shows "AaZzДдЯя" in a font.
void ShowFontSample(QLabel *panel, const IniFont &font);
} // namespace kv

class TfrmPrintSetup : public QDialog
{
    Q_OBJECT
public:
    // `ui` runs the dialog and the ones it opens.
    TfrmPrintSetup(kv::Ui &ui, kv::TIniFile &settings, QWidget *parent = nullptr);

    // Map numbers from 1, set before Execute.
    int FirstMap = 1, LastMap = 1, CurrentMap = 1;
    // Modal; true when closed with "Печать".
    bool Execute();
    int GetMapsPerPage() const;
    int GetBeginPage() const;
    int GetEndPage() const;
    void SetBeginPage(int n);
    void SetEndPage(int n);
    // The choices as the settings file holds them (Position and the check boxes by key).
    kv::MapPrintOptions Options() const;
    kv::IniFont MapFont() const { return m_font; }

    QCheckBox *cbxMillsStat, *cbxTotalWaste, *cbxUsefulWaste, *cbxUselessWaste, *cbxDetalsStat, *chbDetalsList,
        *chbShowBorder, *cbBorderCodes, *cbBordersStat, *cbBordersBlack;
    QRadioButton *rbAllPages, *rbCurrentPage, *rbNumberPages, *rbOneMap, *rbTwoMap, *rbOtherMap;
    QLineEdit *edBeginPage, *edEndPage;
    QLabel *lbBefore, *lbAfter, *pnlFont;
    TExSpinEdit *seMapQuantity;
    QPushButton *bbFont, *bbOk, *bbCancel, *bbAdvanced;

public slots:
    void FormShow();
    void LoadSettings();
    void SaveSettings();
    void UpdatePageRange();
    void UpdateMapQuantity();
    void chbDetalsListClick();
    void edBeginPageExit();
    void edEndPageExit();
    void bbOkClick();
    void bbFontClick();
    void bbAdvancedClick();

protected:
    void showEvent(QShowEvent *e) override;
    void done(int r) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    kv::Ui &m_ui;
    kv::TIniFile &m_ini;
    kv::IniFont m_font;
};
