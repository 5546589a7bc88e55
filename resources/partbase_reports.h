#pragma once
// The part-base templates: the list and the list grouped by materials, each
// with or without the edge banding of every part, and the models list.
#include <QString>

class TrpReportBase;

namespace kv {

// The data source the part-base templates read (the print query's rows:
// the parts table's columns and MatName) and the one the models list reads.
inline const QString kPartBaseSource = QStringLiteral("rpdsGroup");
inline const QString kModelsSource = QStringLiteral("rpdsModels");

// "Group.rpf" (grouped, no banding), "Group_brd.rpf", "Group2.rpf" (list),
// "Group2_brd.rpf". Variables: BASENAME, QUANTITY, SQUARE, PERIMETR,
// BORDERLEN, BORDERS, the array RotateArray; values DETAL_BORDERS1/2.
void DescribePartBaseReport(TrpReportBase &report, bool grouped, bool borders);
// "ModelsList.rpf": values MODELNAME and MODELCOUNT per record.
void DescribeModelsListReport(TrpReportBase &report);

} // namespace kv
