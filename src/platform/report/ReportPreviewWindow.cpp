#include "ReportPreviewWindow.h"

#include "AppError.h"
#include "Prompter.h"

#include <QToolBar>
#include <QVBoxLayout>

ReportPreviewWindow::ReportPreviewWindow(const Report &report, ReportPrintJob print, QWidget *parent)
    : QDialog(parent), m_report(report), m_printJob(std::move(print))
{
    setObjectName(QStringLiteral("ReportPreviewWindow"));
    setWindowTitle(m_report.jobName());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QToolBar(this);
    m_print = bar->addAction(QStringLiteral("Печать"));
    m_print->setObjectName(QStringLiteral("PrintButton"));
    connect(m_print, &QAction::triggered, this, &ReportPreviewWindow::printReport);
    layout->addWidget(bar);
    m_preview = new ReportPreview(this);
    m_preview->setPages(m_report.preparedPages());
    m_preview->setZoomMode(ReportPreview::ZoomMode::PageWidth);
    layout->addWidget(m_preview);
    resize(900, 1000);
}

void ReportPreviewWindow::printReport()
{
    try {
        if (m_printJob)
            m_printJob(m_report);
    } catch (const std::exception &e) {
        Prompts().inform(ExceptionText(e), windowTitle(), Prompt::Error);
    }
}
