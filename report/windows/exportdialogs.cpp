#include "report/windows/exportdialogs.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "platform/text.h"
#include "platform/ui.h"
#include "report/core/utils.h"
#include "report/output/textexports.h"

double rpScaleFromText(const QString &text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = kv::parseFloat(t, &ok);
    if (!ok || !std::isfinite(v) || v <= 0) return 1.0;
    return v;
}

namespace {

QString scaleText(double v) { return kv::formatShortest(v); }

} // namespace

TrpExportFormBase::TrpExportFormBase(QWidget *parent) : QDialog(parent)
{
    m_layout = new QVBoxLayout(this);
    OkButton = new QPushButton(LoadEngineString(55000), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(LoadEngineString(55001), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QCheckBox *TrpExportFormBase::addCheck(const char *name, int text)
{
    auto *cb = new QCheckBox(LoadEngineString(text), this);
    cb->setObjectName(QLatin1String(name));
    m_layout->addWidget(cb);
    return cb;
}

QLineEdit *TrpExportFormBase::addEdit(const char *name, int label)
{
    auto *row = new QHBoxLayout;
    auto *l = new QLabel(LoadEngineString(label), this);
    auto *e = new QLineEdit(this);
    e->setObjectName(QLatin1String(name));
    l->setBuddy(e);
    row->addWidget(l);
    row->addWidget(e);
    m_layout->addLayout(row);
    return e;
}

void TrpExportFormBase::finish()
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    m_layout->addLayout(buttons);
}

// ---------------------------------------------------------------- text
TrpTXTExportForm::TrpTXTExportForm(QWidget *parent) : TrpExportFormBase(parent)
{
    setObjectName(QStringLiteral("rpTXTExportForm"));
    setWindowTitle(LoadEngineString(54800));
    CB1 = addCheck("CB1", 54801);
    CB2 = addCheck("CB2", 54802);
    CB3 = addCheck("CB3", 54803);
    CB4 = addCheck("CB4", 54804);
    CB5 = addCheck("CB5", 54805);
    E1 = addEdit("E1", 54806);
    E2 = addEdit("E2", 54806);
    finish();
    connect(CB3, &QCheckBox::toggled, this, &TrpTXTExportForm::CB3Click);
}

void TrpTXTExportForm::CB3Click() { CB4->setEnabled(CB3->isChecked()); }

void TrpTXTExportForm::Load(const TrpTextExport &f)
{
    CB1->setChecked(f.KillEmptyLines);
    CB2->setChecked(f.ConvertToOEM);
    CB3->setChecked(f.ExportFrames);
    CB4->setChecked(f.UsePseudographic);
    CB5->setChecked(f.PageBreaks);
    E1->setText(scaleText(f.ScaleX()));
    E2->setText(scaleText(f.ScaleY()));
    CB3Click();
}

void TrpTXTExportForm::Store(TrpTextExport &f) const
{
    f.KillEmptyLines = CB1->isChecked();
    f.ConvertToOEM = CB2->isChecked();
    f.ExportFrames = CB3->isChecked();
    f.UsePseudographic = CB4->isChecked();
    f.PageBreaks = CB5->isChecked();
    f.SetScaleX(rpScaleFromText(E1->text()));
    f.SetScaleY(rpScaleFromText(E2->text()));
}

// ---------------------------------------------------------------- HTML
TrpHTMExportForm::TrpHTMExportForm(QWidget *parent) : TrpExportFormBase(parent)
{
    setObjectName(QStringLiteral("rpHTMExportForm"));
    setWindowTitle(LoadEngineString(54830));
    CB1 = addCheck("CB1", 54801);
    CB2 = addCheck("CB2", 54821);
    E2 = addEdit("E2", 54806);
    finish();
}

void TrpHTMExportForm::Load(const TrpHTMExport &f)
{
    CB1->setChecked(f.KillEmptyLines);
    CB2->setChecked(f.ExportPictures);
    E2->setText(scaleText(f.ScaleY()));
}

void TrpHTMExportForm::Store(TrpHTMExport &f) const
{
    f.KillEmptyLines = CB1->isChecked();
    f.ExportPictures = CB2->isChecked();
    f.SetScaleY(rpScaleFromText(E2->text()));
}

// ---------------------------------------------------------------- CSV
TrpCSVExportForm::TrpCSVExportForm(QWidget *parent) : TrpExportFormBase(parent)
{
    setObjectName(QStringLiteral("rpCSVExportForm"));
    setWindowTitle(LoadEngineString(54810));
    CB1 = addCheck("CB1", 54801);
    CB2 = addCheck("CB2", 54802);
    E1 = addEdit("E1", 54806);
    E2 = addEdit("E2", 54806);
    E3 = addEdit("E3", 54811);
    finish();
}

void TrpCSVExportForm::Load(const TrpCSVExport &f)
{
    CB1->setChecked(f.KillEmptyLines);
    CB2->setChecked(f.ConvertToOEM);
    E1->setText(scaleText(f.ScaleX()));
    E2->setText(scaleText(f.ScaleY()));
    E3->setText(QString(f.Delimiter));
}

void TrpCSVExportForm::Store(TrpCSVExport &f) const
{
    f.KillEmptyLines = CB1->isChecked();
    f.ConvertToOEM = CB2->isChecked();
    f.SetScaleX(rpScaleFromText(E1->text()));
    f.SetScaleY(rpScaleFromText(E2->text()));
    if (!E3->text().isEmpty()) f.Delimiter = E3->text().at(0);
}

// ---------------------------------------------------------------- RTF
TrpRTFExportForm::TrpRTFExportForm(QWidget *parent) : TrpExportFormBase(parent)
{
    setObjectName(QStringLiteral("rpRTFExportForm"));
    setWindowTitle(LoadEngineString(54820));
    CB1 = addCheck("CB1", 54801);
    CB2 = addCheck("CB2", 54821);
    CB3 = addCheck("CB3", 54822);
    CB5 = addCheck("CB5", 54805);
    E1 = addEdit("E1", 54806);
    E2 = addEdit("E2", 54806);
    finish();
}

void TrpRTFExportForm::Load(const TrpRTFExport &f)
{
    CB1->setChecked(f.KillEmptyLines);
    CB2->setChecked(f.ExportBitmaps);
    CB3->setChecked(f.ConvertToTable);
    CB5->setChecked(f.PageBreaks);
    E1->setText(scaleText(f.ScaleX()));
    E2->setText(scaleText(f.ScaleY()));
}

void TrpRTFExportForm::Store(TrpRTFExport &f) const
{
    f.KillEmptyLines = CB1->isChecked();
    f.ExportBitmaps = CB2->isChecked();
    f.ConvertToTable = CB3->isChecked();
    f.PageBreaks = CB5->isChecked();
    f.SetScaleX(rpScaleFromText(E1->text()));
    f.SetScaleY(rpScaleFromText(E2->text()));
}

namespace {

template <class Form, class Filter>
int runForm(Filter &filter, QWidget *parent)
{
    kv::Owned<Form> form(new Form(parent));
    form->Load(filter);
    const int result = kv::UiOf(parent).runModal(*form) == QDialog::Accepted ? 1 : 2;
    if (form) form->Store(filter);
    return result;
}

} // namespace

int rpExportOptionsDialog(TrpExportFilter &filter, QWidget *parent)
{
    // The most derived class first: the other three derive from the text filter.
    if (auto *f = dynamic_cast<TrpHTMExport *>(&filter)) return runForm<TrpHTMExportForm>(*f, parent);
    if (auto *f = dynamic_cast<TrpCSVExport *>(&filter)) return runForm<TrpCSVExportForm>(*f, parent);
    if (auto *f = dynamic_cast<TrpRTFExport *>(&filter)) return runForm<TrpRTFExportForm>(*f, parent);
    if (auto *f = dynamic_cast<TrpTextExport *>(&filter)) return runForm<TrpTXTExportForm>(*f, parent);
    return 1;
}
