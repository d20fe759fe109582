#pragma once
// "Loading file...": the progress window the main view shows while a log is
// read or converted on a worker thread. Workers only bump an atomic block
// count; a timer moves the bar, so no reader waits on the window per block.
#include <QDialog>
#include <QProgressBar>
#include <QTimer>
#include <atomic>
#include <cstdint>

#include "logs/LoadingProgress.h"

namespace zr {

class CLoadingFileDlg : public QDialog {
    Q_OBJECT
public:
    explicit CLoadingFileDlg(QWidget* parent = nullptr);
    // Start of a load of `path`; shown only when `always` or the file is
    // larger than the walk threshold.
    void StartLoading(const QString& path, bool always);
    void EndLoading();
    // Thread-safe: called by the reader with the blocks read so far.
    void ReportBlocks(uint64_t blocksRead) { m_reported.store(blocksRead, std::memory_order_relaxed); }
    // Applies what the reader reported (the timer does this).
    void ApplyProgress();
    const CLoadingProgress& Progress() const { return m_progress; }
    QProgressBar* Bar() const { return m_bar; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QProgressBar* m_bar;
    QTimer m_timer;
    CLoadingProgress m_progress;
    std::atomic<uint64_t> m_reported{0};
    uint64_t m_applied = 0;
};

} // namespace zr
