#include "scan/FrequencyPlanDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "graph/PlanGraph.h"
#include "link/ToolFacts.h"
#include "logs/LogReader.h"
#include "platform/LogFolder.h"
#include "platform/SafeFile.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

namespace zr {

namespace {

constexpr int kProgressSteps = 1000;

QString MhzText(int khz)
{
    return QString::number(khz / 1000.0, 'f', 3);
}

QString MarginText(int khz)
{
    return khz == INT32_MAX ? QString("-") : QString::number(khz);
}

QSpinBox* KhzBox(QWidget* parent, int value, int maximum, const QString& suffix = " kHz")
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, maximum);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

QDoubleSpinBox* MhzBox(QWidget* parent)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setDecimals(3);
    box->setRange(1, 9999.975);
    box->setSingleStep(0.025);
    box->setSuffix(" MHz");
    return box;
}

} // namespace

CFrequencyPlanDlg::CFrequencyPlanDlg(QWidget* parent)
    : QDialog(parent), m_uiQueue(std::make_unique<CUiThreadQueue>(this)), m_worker(m_uiQueue.get())
{
    setObjectName("frequencyPlanDlg");
    setWindowTitle("Frequency Plan");
    setModal(false);

    m_logLabel = new QLabel("No spectrum log: nothing counts as busy.", this);
    m_open = new QPushButton("Open log...", this);
    m_graph = new CPlanGraph(this);
    m_table = new QTableWidget(0, 4, this);
    m_table->setHorizontalHeaderLabels({"Freq.[MHz]", "Kept", "Nearest product [kHz]", "Nearest busy [kHz]"});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_conflicts = new QListWidget(this);
    m_conflicts->hide(); // shown by a check

    auto* range = new QGroupBox("Band", this);
    m_start = MhzBox(range), m_stop = MhzBox(range);
    m_start->setValue(606), m_stop->setValue(636);
    auto* rangeLayout = new QFormLayout(range);
    rangeLayout->addRow("Start", m_start);
    rangeLayout->addRow("Stop", m_stop);

    auto* carriers = new QGroupBox("Carriers", this);
    m_count = new QSpinBox(carriers);
    m_count->setRange(1, 1000);
    m_count->setValue(8);
    m_max = new QCheckBox("As many as fit", carriers);
    m_keep = new QLineEdit(carriers);
    m_keep->setPlaceholderText("MHz, comma-separated");
    auto* carrierLayout = new QFormLayout(carriers);
    carrierLayout->addRow("Count", m_count);
    carrierLayout->addRow("", m_max);
    carrierLayout->addRow("Keep", m_keep);

    auto* rules = new QGroupBox("Rules", this);
    const PlanRules defaults;
    m_spacing = KhzBox(rules, defaults.carrierSpacingKhz, 100000);
    m_imGuard = KhzBox(rules, defaults.imGuardKhz, 100000);
    m_im3Guard = KhzBox(rules, defaults.im3GuardKhz, 100000);
    m_im5 = new QCheckBox("Fifth order (3f1 - 2f2)", rules);
    m_busyGuard = KhzBox(rules, defaults.busyGuardKhz, 100000);
    m_busyShare = KhzBox(rules, 1, 100, " %");
    m_threshold = KhzBox(rules, 25, 255, " dBuV");
    m_seconds = KhzBox(rules, 5, 3600, " s");
    m_seconds->setMinimum(1);
    auto* rulesLayout = new QFormLayout(rules);
    rulesLayout->addRow("Carrier spacing", m_spacing);
    rulesLayout->addRow("Two-tone guard", m_imGuard);
    rulesLayout->addRow("Three-tone guard", m_im3Guard);
    rulesLayout->addRow("", m_im5);
    rulesLayout->addRow("Busy guard", m_busyGuard);
    rulesLayout->addRow("Busy above", m_busyShare);
    rulesLayout->addRow("Threshold", m_threshold);
    rulesLayout->addRow("Time limit", m_seconds);

    m_calculate = new QPushButton("Calculate", this);
    m_cancel = new QPushButton("Cancel", this);
    m_cancel->setEnabled(false);
    m_copy = new QPushButton("Copy", this);
    m_save = new QPushButton("Save as CSV...", this);
    for (QPushButton* b : {m_open, m_calculate, m_cancel, m_copy, m_save})
        b->setAutoDefault(false);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, kProgressSteps);
    m_progress->setValue(0);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);

    auto* legend = new QLabel("Grey: busy share of the sweeps.  Blue: chosen.  Green: kept.  Orange ticks: products.", this);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(m_logLabel, 1);
    logRow->addWidget(m_open);
    auto* left = new QVBoxLayout;
    left->addLayout(logRow);
    left->addWidget(m_graph, 2);
    left->addWidget(legend);
    left->addWidget(m_table, 1);
    left->addWidget(m_conflicts, 1);
    left->addWidget(m_progress);
    left->addWidget(m_status);
    auto* buttons = new QGridLayout;
    buttons->addWidget(m_calculate, 0, 0);
    buttons->addWidget(m_cancel, 0, 1);
    buttons->addWidget(m_copy, 1, 0);
    buttons->addWidget(m_save, 1, 1);
    auto* side = new QVBoxLayout;
    side->addWidget(range);
    side->addWidget(carriers);
    side->addWidget(rules);
    side->addLayout(buttons);
    side->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(side);

    connect(m_open, &QPushButton::clicked, this, &CFrequencyPlanDlg::OpenLog);
    connect(m_calculate, &QPushButton::clicked, this, &CFrequencyPlanDlg::Calculate);
    connect(m_cancel, &QPushButton::clicked, this, &CFrequencyPlanDlg::Cancel);
    connect(m_copy, &QPushButton::clicked, this, &CFrequencyPlanDlg::CopyList);
    connect(m_save, &QPushButton::clicked, this, &CFrequencyPlanDlg::SaveCsv);
    connect(m_max, &QCheckBox::toggled, m_count, &QWidget::setDisabled);
    const auto band = [this] { m_graph->SetBand(static_cast<int>(std::lround(m_start->value() * 1000)), static_cast<int>(std::lround(m_stop->value() * 1000))); };
    connect(m_start, qOverload<double>(&QDoubleSpinBox::valueChanged), this, band);
    connect(m_stop, qOverload<double>(&QDoubleSpinBox::valueChanged), this, band);
    band();
    resize(1000, 640);
}

CFrequencyPlanDlg::~CFrequencyPlanDlg()
{
    m_cancelRequested = true;
    m_worker.Join();
}

void CFrequencyPlanDlg::closeEvent(QCloseEvent* e)
{
    Cancel(); // a search nobody sees is not kept running
    QDialog::closeEvent(e);
}

std::shared_ptr<const CFrequencyPlanDlg::Occupancy> CFrequencyPlanDlg::ReadOccupancy(const std::string& path, int threshold)
{
    auto o = std::make_shared<Occupancy>();
    o->path = path, o->threshold = threshold;
    o->result = ComputeOccupancy(path, threshold, o->data, &o->badPart);
    return o;
}

void CFrequencyPlanDlg::SetLog(const std::string& path)
{
    if (Running())
        return;
    m_logPath = path;
    m_occupancy.reset();
    m_graph->SetOccupancy({}, {});
    if (path.empty()) {
        m_logLabel->setText("No spectrum log: nothing counts as busy.");
        return;
    }
    m_logLabel->setText("Log: " + QFileInfo(PathText(path)).fileName());
    SetBusy(true);
    m_status->setText("Reading the log...");
    m_progress->setRange(0, 0); // a read has no known end
    const int threshold = m_threshold->value();
    m_worker.StartLoad([this, path, threshold]() -> std::function<void()> {
        auto occupancy = ReadOccupancy(path, threshold);
        return [this, occupancy] {
            SetBusy(false);
            m_progress->setRange(0, kProgressSteps);
            m_progress->setValue(0);
            if (occupancy->result != kLogOpened) {
                m_status->setText(QString(LogOpenMessage(occupancy->result)));
                ShowMessage(this, QString(LogOpenMessage(occupancy->result)));
                return;
            }
            m_occupancy = occupancy;
            m_start->setValue(occupancy->data.startKhz / 1000.0);
            m_stop->setValue(occupancy->data.stopKhz / 1000.0);
            ShowOccupancy(occupancy->data);
            m_status->setText(QString("%1 frequencies, %2 of them busy.").arg(occupancy->data.points.size()).arg(m_busy.size()));
        };
    });
}

void CFrequencyPlanDlg::ShowOccupancy(const SpectrumOccupancy& occupancy)
{
    std::vector<int> khz;
    std::vector<double> share;
    for (const FrequencyOccupancy& f : occupancy.points)
        khz.push_back(f.khz), share.push_back(f.BusyShare());
    m_graph->SetOccupancy(std::move(khz), std::move(share));
    m_busy = BusyFrequencies(occupancy, m_busyShare->value());
}

void CFrequencyPlanDlg::OpenLog()
{
    std::string folder;
    GetLogFolder(folder);
    const QString path = GetOpenFileName(this, QString::fromStdString(folder), "LogFile(*.slg)");
    if (!path.isEmpty())
        SetLog(NativePath(path));
}

PlanRules CFrequencyPlanDlg::Rules() const
{
    PlanRules r;
    r.carrierSpacingKhz = m_spacing->value();
    r.imGuardKhz = m_imGuard->value();
    r.im3GuardKhz = m_im3Guard->value();
    r.im5 = m_im5->isChecked();
    r.busyGuardKhz = m_busyGuard->value();
    return r;
}

void CFrequencyPlanDlg::SetBusy(bool busy)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_calculate, m_open, m_copy, m_save, m_start, m_stop, m_count, m_max, m_keep, m_spacing, m_imGuard,
                                                      m_im3Guard, m_im5, m_busyGuard, m_busyShare, m_threshold, m_seconds})
        w->setEnabled(!busy);
    if (!busy)
        m_count->setEnabled(!m_max->isChecked());
    m_cancel->setEnabled(busy);
}

void CFrequencyPlanDlg::Calculate()
{
    if (Running())
        return;
    PlanRequest request;
    request.startKhz = static_cast<int>(std::lround(m_start->value() * 1000));
    request.stopKhz = static_cast<int>(std::lround(m_stop->value() * 1000));
    request.stepKhz = 25;
    request.count = m_max->isChecked() ? 0 : m_count->value();
    request.seconds = m_seconds->value();
    request.rules = Rules();
    if (request.stopKhz <= request.startKhz) {
        ShowMessage(this, "Stop must be above Start.");
        return;
    }
    if (const QString keep = m_keep->text().simplified().remove(' '); !keep.isEmpty() && !ParseMhzList(keep.toStdString(), request.keepKhz)) {
        ShowMessage(this, "Keep takes frequencies in MHz, comma-separated (606.500,612.250).");
        return;
    }
    m_cancelRequested = false;
    m_conflicts->hide();
    m_table->show();
    SetBusy(true);
    m_progress->setValue(0);
    m_status->setText("Calculating...");
    const std::string log = m_logPath;
    const int threshold = m_threshold->value(), busyShare = m_busyShare->value();
    std::shared_ptr<const Occupancy> cached = m_occupancy;
    const double budget = request.seconds;
    m_worker.StartLoad([this, request, log, threshold, busyShare, cached, budget]() mutable -> std::function<void()> {
        std::shared_ptr<const Occupancy> occupancy = cached;
        if (!log.empty() && (!occupancy || occupancy->threshold != threshold || occupancy->path != log))
            occupancy = ReadOccupancy(log, threshold);
        if (occupancy && occupancy->result != kLogOpened)
            return [this, occupancy] {
                SetBusy(false);
                m_status->setText(LogOpenMessage(occupancy->result));
                ShowMessage(this, LogOpenMessage(occupancy->result));
            };
        if (occupancy)
            request.busyKhz = BusyFrequencies(occupancy->data, busyShare);
        request.cancel = &m_cancelRequested;
        // Progress reaches the window queued: the search never waits on it,
        // and a window gone meanwhile takes none.
        request.progress = [this, budget](const PlanProgress& p) {
            QMetaObject::invokeMethod(this, [this, p, budget] { ShowProgress(p, budget); }, Qt::QueuedConnection);
        };
        const PlanResult result = SolvePlan(request);
        request.progress = nullptr;
        request.cancel = nullptr;
        return [this, request, result, occupancy] {
            SetBusy(false);
            if (occupancy) {
                m_occupancy = occupancy;
                ShowOccupancy(occupancy->data);
            }
            ShowResult(request, result);
        };
    });
}

void CFrequencyPlanDlg::Cancel()
{
    m_cancelRequested = true;
}

void CFrequencyPlanDlg::ShowProgress(const PlanProgress& progress, double budget)
{
    if (!Running())
        return;
    m_progress->setValue(static_cast<int>(std::min<double>(kProgressSteps, progress.seconds / std::max(budget, 0.001) * kProgressSteps)));
    m_status->setText(QString("Calculating... %1 carriers found so far, %2 million sets tried.").arg(progress.found).arg(progress.nodes / 1e6, 0, 'f', 1));
}

void CFrequencyPlanDlg::ShowResult(const PlanRequest& request, const PlanResult& result)
{
    m_progress->setValue(kProgressSteps);
    m_busy = request.busyKhz;
    m_rows = result.complete ? PlanRows(request.keepKhz, result.chosenKhz, request.busyKhz, request.rules) : std::vector<PlanRow>{};
    m_table->setRowCount(static_cast<int>(m_rows.size()));
    std::vector<int> chosen, all;
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        const PlanRow& r = m_rows[static_cast<std::size_t>(i)];
        const QString cells[] = {MhzText(r.khz), r.kept ? "yes" : "", MarginText(r.margins.productKhz), MarginText(r.margins.busyKhz)};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c == 1 ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(i, c, item);
        }
        all.push_back(r.khz);
        if (!r.kept)
            chosen.push_back(r.khz);
    }
    m_graph->SetCarriers(chosen, request.keepKhz);
    m_graph->SetProducts(ProductFrequencies(all, request.rules));
    if (!result.complete) {
        m_status->setText(QString::fromStdString(result.reason));
        return;
    }
    const bool max = request.count == 0;
    QString text = QString("%1 frequencies chosen%2; ").arg(result.chosenKhz.size()).arg(request.keepKhz.empty() ? QString() : QString(" besides %1 kept").arg(request.keepKhz.size()));
    if (result.proven)
        text += max ? "no more fit." : "no set of that size has a wider margin.";
    else if (result.cancelled)
        text += "cancelled: the best found so far.";
    else
        text += max ? "more may fit: the time given ran out." : "a wider margin may exist: the time given ran out.";
    m_status->setText(text);
}

QString CFrequencyPlanDlg::StatusText() const
{
    return m_status->text();
}

void CFrequencyPlanDlg::CheckFrequencies(const std::vector<std::pair<int, int>>& receivers)
{
    if (Running())
        return;
    std::vector<int> all;
    QStringList inUse;
    for (const auto& [number, khz] : receivers) {
        all.push_back(khz);
        inUse << QString("Receiver %1: %2 MHz").arg(number).arg(MhzText(khz));
    }
    std::vector<int> keep;
    if (ParseMhzList(m_keep->text().simplified().remove(' ').toStdString(), keep))
        all.insert(all.end(), keep.begin(), keep.end());
    const auto conflicts = CheckPlan(all, m_busy, Rules());
    m_table->hide();
    m_conflicts->show();
    m_conflicts->clear();
    m_conflicts->addItem(inUse.isEmpty() ? QString(kNoReceiverText) : inUse.join(", "));
    for (const PlanConflict& c : conflicts)
        m_conflicts->addItem(QString::fromStdString(c.text));
    m_graph->SetCarriers(all, {});
    m_graph->SetProducts(ProductFrequencies(all, Rules()));
    m_status->setText(QString("%1 frequencies checked: %2 conflicts.").arg(all.size()).arg(conflicts.size()));
}

void CFrequencyPlanDlg::CopyList()
{
    QString text;
    if (m_conflicts->isVisible()) {
        for (int i = 0; i < m_conflicts->count(); ++i)
            text += m_conflicts->item(i)->text() + "\n";
    } else {
        text = "Freq.[MHz]\tKept\tNearest product [kHz]\tNearest busy [kHz]\n";
        for (const PlanRow& r : m_rows)
            text += MhzText(r.khz) + "\t" + (r.kept ? "yes" : "") + "\t" + MarginText(r.margins.productKhz) + "\t" + MarginText(r.margins.busyKhz) + "\n";
    }
    QApplication::clipboard()->setText(text);
}

void CFrequencyPlanDlg::SaveCsv()
{
    if (m_rows.empty()) {
        ShowMessage(this, "No plan to save: Calculate one first.");
        return;
    }
    const QString path = GetSaveFileName(this, "plan.csv", "CSV(*.csv)");
    if (path.isEmpty())
        return;
    // Never over the log the plan was made from, by any name.
    if (!m_logPath.empty() && OutputIsAnInput(NativePath(path), {m_logPath})) {
        ShowMessage(this, QString("Cannot write %1: it is the log the plan comes from.").arg(path));
        return;
    }
    if (!WriteWholeFile(NativePath(path), PlanCsv(m_rows)))
        ShowMessage(this, QString("Cannot write %1: %2").arg(path, errno == ENOSPC ? QString("the disk is full") : QString(std::strerror(errno ? errno : EIO))));
}

} // namespace zr
