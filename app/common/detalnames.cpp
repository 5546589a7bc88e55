#include "app/common/detalnames.h"

#include "controls/dbgrid.h"
#include "controls/winlayout.h"
#include "memdata/memdata.h"
#include "platform/db/dataset.h"
#include "platform/ini.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kSection = QStringLiteral("Detal_Name");

// Weight of a letter in the Russian alphabet order: "Ё" right after "Е".
int weight(QChar c)
{
    const QChar u = kv::upperCase(QString(c)).at(0);
    if (u == QChar(0x0401)) return 0x0415 * 2 + 1;
    return u.unicode() * 2;
}

} // namespace

bool DetalNameLess(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int x = weight(a.at(i)), y = weight(b.at(i));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

QStringList ReadDetalNames(const kv::TIniFile &ini)
{
    QStringList names;
    for (const QString &line : ini.ReadSectionValues(kSection)) {
        const int eq = line.indexOf(QLatin1Char('='));
        names.append(eq >= 0 ? line.mid(eq + 1) : line);
    }
    std::stable_sort(names.begin(), names.end(), DetalNameLess);
    return names;
}

TfrmDetalNames::TfrmDetalNames(kv::Ui &ui, kv::TIniFile &ini, QWidget *parent)
    : QDialog(parent), m_ui(ui), m_ini(ini), m_table(std::make_unique<TMemData>()),
      m_source(std::make_unique<kv::DataSource>())
{
    setObjectName(QStringLiteral("frmDetalNames"));
    setProperty("kvClassName", QStringLiteral("TfrmDetalNames"));
    kv::AttachUi(this, &ui);
    setWindowTitle(QStringLiteral("Названия деталей"));
    m_table->setObjectName(QStringLiteral("mdNames"));
    m_table->AddMemField(QStringLiteral("Name"), kv::MemFieldType::String, 100);
    m_source->SetDataSet(m_table.get());

    auto *lay = new QHBoxLayout(this);
    m_grid = new TExDBGrid(this);
    m_grid->setObjectName(QStringLiteral("Grid"));   // its widths: [TfrmDetalNamesGrid]
    m_grid->SetDataSource(m_source.get());
    m_grid->AddColumn(QStringLiteral("Name"), QStringLiteral("Название"), 187);
    lay->addWidget(m_grid, 1);
    auto *buttons = new QVBoxLayout;
    auto *ok = new QPushButton(QStringLiteral("&Да"), this);
    ok->setObjectName(QStringLiteral("bbOk"));
    auto *cancel = new QPushButton(QStringLiteral("&Отмена"), this);
    cancel->setObjectName(QStringLiteral("bbCancel"));
    auto *del = new QPushButton(QStringLiteral("&Удалить"), this);
    del->setObjectName(QStringLiteral("bbDelete"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(del);
    buttons->addStretch();
    lay->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (m_ui.guarded([this] { SaveNames(); }, this)) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(del, &QPushButton::clicked, this, [this] { m_ui.guarded([this] { bbDeleteClick(); }, this); });
    resize(330, 300);
    LoadNames();
}

TfrmDetalNames::~TfrmDetalNames()
{
    m_ui.guarded([this] { kv::StoreGridColWidths(m_grid, m_ini); });
    m_grid->SetDataSource(nullptr);
}

void TfrmDetalNames::LoadNames()
{
    m_table->Close();
    m_table->Open();
    for (const QString &name : ReadDetalNames(m_ini)) {
        m_table->Append();
        m_table->FieldByName(QStringLiteral("Name"))->SetAsString(name);
        m_table->Post();
    }
    m_table->First();
    kv::LoadGridColWidths(m_grid, m_ini);
}

QStringList TfrmDetalNames::Names() const
{
    QStringList out;
    if (m_table->State() == kv::DataSetState::Edit || m_table->State() == kv::DataSetState::Insert) m_table->Post();
    m_table->First();
    while (!m_table->Eof()) {
        out.append(m_table->FieldByName(QStringLiteral("Name"))->AsString());
        m_table->Next();
    }
    return out;
}

void TfrmDetalNames::SaveNames()
{
    const QStringList names = Names();
    // The list is replaced in one write: a kill leaves the old or the new one.
    m_ini.Update([&] {
        m_ini.EraseSection(kSection);
        int n = 0;
        for (const QString &name : names) m_ini.WriteString(kSection, QString::number(++n), name);
    });
}

void TfrmDetalNames::bbDeleteClick()
{
    if (m_table->Active() && !m_table->IsEmpty()) m_table->Delete();
}

bool EditDetalNames(kv::Ui &ui, kv::TIniFile &ini, QWidget *parent)
{
    kv::Owned<TfrmDetalNames> dlg(new TfrmDetalNames(ui, ini, parent));
    return ui.runModal(*dlg) == QDialog::Accepted;
}
