#pragma once
// A window of its own over a prepared report: the preview of its pages with a
// print button. It keeps its own copy of the pages, so the report it came
// from may be loaded and prepared again while it is open.
#include "ReportEngine.h"

#include <QDialog>

class QAction;

class ReportPreviewWindow : public QDialog {
    Q_OBJECT
public:
    ReportPreviewWindow(const Report &report, ReportPrintSettings settings, QWidget *parent = nullptr);

    ReportPreview *preview() const { return m_preview; }
    QAction *printAction() const { return m_print; }
    // Sends the pages to the printer of the settings; a failure shows an error box.
    void printReport();

private:
    Report m_report;
    ReportPrintSettings m_settings;
    ReportPreview *m_preview = nullptr;
    QAction *m_print = nullptr;
};
