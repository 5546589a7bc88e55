#include "app/mainform.h"

#include <QMdiArea>

TMainForm *MainForm = nullptr;

TMainForm::TMainForm(const kv::Paths &paths, QWidget *parent)
    : QMainWindow(parent), m_paths(paths), m_settings(std::make_unique<kv::Settings>(paths.SettingsFile()))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(ApplicationTitle());
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIClient"));
    setCentralWidget(m_mdi);
    m_settings->LoadProcessValues();
    resize(800, 600);
    MainForm = this;
}

TMainForm::~TMainForm()
{
    if (MainForm == this) MainForm = nullptr;
}
