#pragma once
// A window of its own over a prepared report: the preview of its pages with a
// print button. It keeps its own copy of the pages, so the report it came
// from may be loaded and prepared again while it is open.
#include "ReportEngine.h"

#include <QDialog>
#include <functional>

class QAction;

// Sends the pages where the window's owner decides (it may ask the operator
// first, and do nothing when the operator cancels); raises on failure.
using ReportPrintJob = std::function<void(const Report &report)>;

class ReportPreviewWindow : public QDialog {
    Q_OBJECT
public:
    ReportPreviewWindow(const Report &report, ReportPrintJob print, QWidget *parent = nullptr);

    ReportPreview *preview() const { return m_preview; }
    QAction *printAction() const { return m_print; }
    // Runs the print job on the pages; a failure shows an error box.
    void printReport();

private:
    Report m_report;
    ReportPrintJob m_printJob;
    ReportPreview *m_preview = nullptr;
    QAction *m_print = nullptr;
};
