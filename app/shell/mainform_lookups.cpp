#include "app/shell/mainform.h"

#include "app/common/appcontext.h"
#include "app/stock/minsheets.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"

void TMainForm::LoadMaterialsLists(QStringList &names, QStringList &codes, bool withAll) const
{
    Context().materials().LoadMaterialsLists(names, codes, withAll);
}

QString TMainForm::GetMaterialName(int code) const
{
    return Context().materials().GetMaterialName(code);
}

QString TMainForm::FindNameByCode(int code, const QStringList &codes, const QStringList &names)
{
    return kv::MaterialsService::FindNameByCode(code, codes, names);
}

QString TMainForm::GetBorderName(int code) const
{
    return Context().borders().GetBorderName(code);
}

quint32 TMainForm::GetBorderColor(int code, quint32 def) const
{
    return Context().borders().GetBorderColor(code, def);
}

int TMainForm::GetBorderPripusk(int code) const
{
    return Context().borders().GetBorderPripusk(code);
}

qint64 TMainForm::AddBorderPripusk(qint64 length, int code) const
{
    return Context().borders().AddBorderPripusk(length, code);
}

QStringList TMainForm::GetBordersList() const
{
    return Context().borders().GetBordersList();
}

void TMainForm::CheckStdSheetsStock(bool reportEnough)
{
    ::CheckStdSheetsStock(Context(), reportEnough, this);
}
