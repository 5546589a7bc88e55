#pragma once
// "Параметры по умолчанию": the defaults of the whole program in [Default],
// [Border], [Rotate] and [SheetParams]. Made once and reused; the main menu
// shows all four pages, the cutting options dialog the last two.
#include "data/settings.h"

#include <QDialog>
#include <QList>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class TExSpinEdit;
namespace kv {
class Ui;
}

class TOptionForm : public QDialog
{
    Q_OBJECT

public:
    struct CodeName
    {
        int code = 0;
        QString name;
    };
    // The element colours the colours dialog edits, in this order.
    enum ColorIndex { clSheet, clDetal, clMill, clLost, clScrap, clBorder, kColorCount };

    // `ui` runs the dialog and the font chooser and shows its messages.
    TOptionForm(kv::Ui &ui, kv::Settings &settings, QWidget *parent = nullptr);

    // Where the lists and the nested dialogs come from.
    // The edge-banding list ("<нет>" with code 0 is put first by the dialog).
    std::function<QList<CodeName>()> BorderList;
    // The materials, without the all-materials entry (sorted by name here).
    // The materials, without the all-materials entry (shown sorted by name).
    std::function<QList<CodeName>()> MaterialList;
    // The element colours dialog: sheet, part, saw cut, lost and usable
    // off-cut colours in, changed ones out; true on OK.
    std::function<bool(QList<int> &colors)> EditColors;

    // Loads, shows modally (all pages or the two of the cutting options) and
    // returns true after OK.
    bool Execute(bool allPages = true);
    // The two pages of the cutting options hide; the others stay.
    void SetAllPages(bool all);

    // Every control from the settings file.
    void FormShow();
    // Checks the typed values; false with the message shown.
    bool ValidateValues();
    // Every key from the controls; the file is flushed.
    void SaveValues();

    QTabWidget *pcOptions() const { return m_pages; }
    int Color(ColorIndex i) const { return m_colors[i]; }

public slots:
    void bbOkClick();
    void cbBordersChange();
    void BorderButtonClick();
    void bbFontClick();
    void bbColorsClick();
    void RBTechClick();

private:
    QWidget *pageCommon();
    QWidget *pageBorder();
    QWidget *pageResults();
    QWidget *pageTechnology();
    QToolButton *edgeButton(QWidget *parent, const char *name, const QString &hint);
    TExSpinEdit *spin(QWidget *parent, const char *name, double min, double max);
    int selectedBorderCode() const;

    kv::Ui &m_ui;
    kv::Settings &m_settings;
    QTabWidget *m_pages;
    QWidget *m_tsCommon, *m_tsBorder, *m_tsResults, *m_tsTechnology;
    TExSpinEdit *m_seLenDigits, *m_seSqrDigits;
    QCheckBox *m_cbxPrintDetalBorders;
    QComboBox *m_cbBorders, *m_cbxMaterial;
    QToolButton *m_edges[4];
    int m_edgeCodes[4] = {0, 0, 0, 0};
    QRadioButton *m_rotate[3];
    QLabel *m_lbExample;
    QRadioButton *m_mill[3];
    QCheckBox *m_CBShowName, *m_CBShowDim, *m_cbDrawBorder, *m_cbScrapsText, *m_cbxShowHints;
    TExSpinEdit *m_seMill;
    TExSpinEdit *m_indents[4];
    QRadioButton *m_tech[3];
    QLineEdit *m_EditPropilLen;
    QLabel *m_lbPropilMm;
    QRadioButton *m_optim[3];
    kv::IniFont m_font;
    QList<int> m_colors;
    QList<CodeName> m_borders;     // as shown in cbBorders, "<нет>" first
    QList<CodeName> m_materials;   // as shown in cbxMaterial
};
