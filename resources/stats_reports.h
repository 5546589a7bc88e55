#pragma once
// The templates of a cutting variant's figures: the statistics with one
// section per map, the stickers of parts and off-cuts, and the off-cut
// totals per material.
class TrpReportBase;

namespace kv {

// "Statistic.rpf": data source rpsrcStatistic; per map NUMBER, SHEETINFO,
// LOSTSCRAP, SCRAP, TOTALSCRAP, MILLLINESCOUNT, MILLLINESLENGTH, BORDERSLIST;
// at the end TOTALDATA.
void DescribeStatisticReport(TrpReportBase &report);
// "ScrapsLbl.rpf": data source rpsrcLabels; one framed text "Memo1" with
// DATA per sticker, the data band in columns (the dialog sizes both).
void DescribeScrapsLabelReport(TrpReportBase &report);
// "ScrapsInfo.rpf": data source rpdsScrapsInfo; CODE, NAME, SCRAPS, LOSTSCRAPS.
void DescribeScrapsInfoReport(TrpReportBase &report);

} // namespace kv
