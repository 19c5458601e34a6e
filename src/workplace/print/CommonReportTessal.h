#pragma once
// The functions that report templates call to read a certificate: the text of
// an object number (GetTextOfObj) and the visibility of the footer on later
// pages (SetVisibleObj), and the data sources the templates name.
#include "ReportEngine.h"

#include <QString>

class DataSet;
class TDM;

// The texts of the object numbers, read from the data module's list query
// (the current certificate), its goods query (the current goods line) and the
// search options. Numbers it does not know give an empty text.
class TReportFunctions {
public:
    explicit TReportFunctions(TDM &dm) : m_dm(dm) {}

    QString GetTextOfObj(int nObj);
    // From page 2 on, every object of Report's PageFooter1 becomes visible.
    static void SetVisibleObj(Report &report, int nPage);

private:
    QString headText(int nObj);
    QString goodsText(int nObj);
    QString searchOptionText(int nObj);

    TDM &m_dm;
};

// A dataset as the rows of a master-data band.
class DataSetReportSource : public ReportDataSource {
public:
    explicit DataSetReportSource(DataSet &dataSet) : m_dataSet(dataSet) {}
    int rowCount() override;
    void goToRow(int row) override;

private:
    DataSet &m_dataSet;
};

// Registers GetTextOfObj and SetVisibleObj in Report; SetVisibleObj acts on
// FooterTarget (the preview's report). The functions read Dm.
void RegisterReportFunctions(Report &report, TDM &dm, Report &footerTarget);

// The names the templates give the data module's datasets.
namespace ReportSourceName {
inline const QString Head = QStringLiteral("frxDBDatasetM");
inline const QString Goods = QStringLiteral("frxDBDatasetD");
inline const QString SearchOptions = QStringLiteral("frxDBDatasetSO");
}

// The certificate number as the blank shows it: 7 digits, zero-padded.
QString PaddedCertNo(qint64 certNo);
