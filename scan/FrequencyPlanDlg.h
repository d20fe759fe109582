#pragma once
// "Frequency Plan": which frequencies to use here, from the spectrum log
// shown. The rules as settings, Calculate on a worker thread with its
// progress and Cancel, the log's busy share with the chosen carriers and
// their products drawn over it, the list to copy or save as CSV; and a check
// of frequencies in use (the connected receivers') with every conflict listed.
#include <QDialog>
#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "logs/FrequencyPlan.h"
#include "ui/UiThreadQueue.h"
#include "ui/WindowWorker.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace zr {

class CPlanGraph;

class CFrequencyPlanDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFrequencyPlanDlg(QWidget* parent = nullptr);
    ~CFrequencyPlanDlg() override;

    // The log whose busy frequencies the plan avoids; its band becomes the
    // plan's. Read on the worker; "" plans without a log.
    void SetLog(const std::string& path);
    const std::string& LogPath() const { return m_logPath; }
    void Calculate();
    void Cancel();
    // The conflicts of frequencies in use: (receiver number, kHz) pairs.
    void CheckFrequencies(const std::vector<std::pair<int, int>>& receivers);
    void CopyList();
    void SaveCsv();
    void OpenLog();

    bool Running() const { return m_worker.Running(); }
    const std::vector<PlanRow>& Rows() const { return m_rows; }
    const std::vector<int>& Busy() const { return m_busy; }
    QString StatusText() const;
    QTableWidget* Table() const { return m_table; }
    QListWidget* Conflicts() const { return m_conflicts; }
    CPlanGraph* Graph() const { return m_graph; }
    QSpinBox* CountBox() const { return m_count; }
    QCheckBox* MaxBox() const { return m_max; }
    QLineEdit* KeepEdit() const { return m_keep; }
    QDoubleSpinBox* StartBox() const { return m_start; }
    QDoubleSpinBox* StopBox() const { return m_stop; }
    QSpinBox* SecondsBox() const { return m_seconds; }
    QPushButton* CalculateButton() const { return m_calculate; }
    QPushButton* CancelButton() const { return m_cancel; }
    QProgressBar* Progress() const { return m_progress; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    PlanRules Rules() const;
    void SetBusy(bool busy);
    void ShowProgress(const PlanProgress& progress, double budget);
    void ShowResult(const PlanRequest& request, const PlanResult& result);
    void ShowOccupancy(const SpectrumOccupancy& occupancy);
    // The occupancy of the log at the threshold set, computed once per log and threshold.
    struct Occupancy {
        std::string path;
        int threshold = -1;
        int result = 0;
        std::string badPart;
        SpectrumOccupancy data;
    };
    static std::shared_ptr<const Occupancy> ReadOccupancy(const std::string& path, int threshold);

    std::unique_ptr<CUiThreadQueue> m_uiQueue;
    CWindowWorker m_worker;
    std::atomic<bool> m_cancelRequested{false};
    std::string m_logPath;
    std::shared_ptr<const Occupancy> m_occupancy;
    std::vector<PlanRow> m_rows;
    std::vector<int> m_busy;

    QLabel* m_logLabel;
    CPlanGraph* m_graph;
    QTableWidget* m_table;
    QListWidget* m_conflicts;
    QDoubleSpinBox* m_start;
    QDoubleSpinBox* m_stop;
    QSpinBox* m_count;
    QCheckBox* m_max;
    QLineEdit* m_keep;
    QSpinBox* m_spacing;
    QSpinBox* m_imGuard;
    QSpinBox* m_im3Guard;
    QCheckBox* m_im5;
    QSpinBox* m_busyGuard;
    QSpinBox* m_busyShare;
    QSpinBox* m_threshold;
    QSpinBox* m_seconds;
    QPushButton* m_calculate;
    QPushButton* m_cancel;
    QPushButton* m_copy;
    QPushButton* m_save;
    QPushButton* m_open;
    QProgressBar* m_progress;
    QLabel* m_status;
};

} // namespace zr
