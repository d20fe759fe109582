#include "logs/gui/LoadingFileDlg.h"

#include <QKeyEvent>
#include <algorithm>
#include <QLabel>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

namespace zr {

CLoadingFileDlg::CLoadingFileDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("loadingFileDlg");
    setWindowTitle("Loading file...");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Please wait... Loading file is in progress.", this));
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    layout->addWidget(m_bar);
    setModal(false);
    m_timer.setInterval(50);
    connect(&m_timer, &QTimer::timeout, this, &CLoadingFileDlg::ApplyProgress);
}

void CLoadingFileDlg::StartLoading(const QString& path, bool always)
{
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path.toStdString(), ec);
    m_progress.Start(ec ? 0 : size);
    m_reported = 0;
    m_applied = 0;
    m_bar->setRange(0, m_progress.RangeMaximum());
    m_bar->setValue(0);
    if (always || size > kWalkLoadingThreshold) {
        show();
        m_timer.start();
    }
}

void CLoadingFileDlg::ApplyProgress()
{
    const uint64_t now = m_reported.load(std::memory_order_relaxed);
    if (now > m_applied && m_progress.Steps(now - m_applied))
        m_bar->setValue(m_progress.Position());
    m_applied = std::max(m_applied, now);
}

void CLoadingFileDlg::EndLoading()
{
    ApplyProgress();
    m_timer.stop();
    hide();
    m_bar->setValue(0);
}

void CLoadingFileDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        return; // Enter and Escape do not close it
    QDialog::keyPressEvent(e);
}

} // namespace zr
