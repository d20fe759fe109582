// The main view's tool buttons and the selection they follow, and what the
// tool windows ask of the view.
#include "app/MaintenanceView.h"

#include "info/FbsDlg.h"
#include "link/Commands.h"
#include "logs/gui/LoadingFileDlg.h"
#include "ui/FileDialog.h"
#include "scan/ChScanDlg.h"
#include "scan/SpScanDlg.h"
#include "walk/WalkDlg.h"
#include "ui/MessageBox.h"

namespace zr {

// ---- Tool buttons and selection --------------------------------------------

void CZRQ6930_MaintenanceView::OnToolButton(int button)
{
    if (AnyGuardedDialogVisible())
        return;
    if (m_recording) {
        static const char* const refusals[] = {"During Background Log recording, cannot start Walk Test.",
                                               "During Background Log recording, cannot start Channel Scan.",
                                               "During Background Log recording, cannot start Spectrum Scan.", nullptr};
        if (const char* text = refusals[button - kIdWalkButton])
            ShowMessage(this, text);
        return;
    }
    const int row = m_table->SelectedRow();
    const int recNo = row >= 0 ? m_table->ReceiverOfRow(row) : -1;
    if (!IsMonitored(recNo))
        return;
    if (button == kIdFbsButton) {
        OpenFbsDetail(recNo);
        return;
    }
    if (button == kIdChScanButton) {
        m_chScanDlg->SetReceiver(recNo);
        m_chScanDlg->OnScanState(ReceiverModeOf(recNo));
        m_chScanDlg->FillBanks();
        m_chScanDlg->InitGraph();
        m_chScanDlg->show();
        m_chScanDlg->raise();
        return;
    }
    if (button == kIdSpScanButton) {
        const int32_t mode = ReceiverModeOf(recNo);
        m_spScanDlg->SetReceiver(recNo);
        m_spScanDlg->OnScanState(mode == kModeChannelScanRx ? kModeUnavailable : mode, false);
        const auto [lowest, highest] = BandLimits(BandCodeFromModel(LinkOf(recNo)->Reply(kM0).data()));
        m_spScanDlg->SetLimits(lowest, highest);
        m_spScanDlg->ShowFresh();
        return;
    }
    // Walk Test: only with every receiver idle.
    bool anyBusy = false;
    for (int n = 0; n < kMaxReceivers; ++n)
        anyBusy = anyBusy || ReceiverModeOf(n) != kModeIdle;
    m_walkDlg->SetReceiver(recNo);
    m_walkDlg->SetReceiverMode(anyBusy ? kModeUnavailable : kModeIdle);
    m_walkDlg->ShowFresh();
}

void CZRQ6930_MaintenanceView::OnSelectionChanged()
{
    UpdateToolButtons();
}

void CZRQ6930_MaintenanceView::UpdateToolButtons()
{
    const int row = m_table->SelectedRow();
    const bool enable = row >= 0 && IsMonitored(m_table->ReceiverOfRow(row)) && !m_recording;
    for (QPushButton* b : m_toolButtons)
        b->setEnabled(enable);
}

} // namespace zr

namespace zr {

// ---- What the tools ask ------------------------------------------------------
// A stop or a closed window may come from inside a reply's handling: those
// wait their turn behind the replies already queued, as they always have.

void CZRQ6930_MaintenanceView::StartChannelScan(int recNo, uint16_t bankCode)
{
    m_controller->StartOneShot(recNo, MakeC1(bankCode), false);
}

void CZRQ6930_MaintenanceView::StartSpectrumScan(int recNo, const SpectrumRangeKhz& range)
{
    m_controller->StartOneShot(recNo, MakeS1(range.start, range.stop, range.step), false);
}

void CZRQ6930_MaintenanceView::StopChannelScan(int recNo)
{
    m_uiQueue->PostTask([this, recNo] { m_controller->StartOneShot(recNo, MakeCommand(kC0), true); });
}

void CZRQ6930_MaintenanceView::StopSpectrumScan(int recNo)
{
    m_uiQueue->PostTask([this, recNo] { m_controller->StartOneShot(recNo, MakeCommand(kS0), true); });
}

void CZRQ6930_MaintenanceView::StartWalkTest(int recNo)
{
    if (IsMonitored(recNo))
        m_controller->SetProgramme(recNo, kProgrammeWalk);
}

void CZRQ6930_MaintenanceView::StopWalkTest(int recNo)
{
    if (IsMonitored(recNo))
        m_controller->SetProgramme(recNo, kProgrammeStopped);
}

void CZRQ6930_MaintenanceView::FbsDetailClosed(int recNo)
{
    m_uiQueue->PostTask([this, recNo] {
        if (IsMonitored(recNo))
            m_controller->SetProgramme(recNo, kProgrammeIdle);
    });
}

void CZRQ6930_MaintenanceView::IdViewClosed()
{
    m_uiQueue->PostTask([this] { m_controller->SetProgrammeOfAll(kProgrammeIdle); });
}

void CZRQ6930_MaintenanceView::LoadingStarted(const std::string& path, bool showProgress)
{
    m_loadingDlg->StartLoading(PathText(path), showProgress);
}

void CZRQ6930_MaintenanceView::LoadProgress(uint64_t blocksRead)
{
    m_loadingDlg->ReportBlocks(blocksRead);
}

void CZRQ6930_MaintenanceView::LoadingEnded()
{
    m_loadingDlg->EndLoading();
}

void CZRQ6930_MaintenanceView::ShowTimeDomain(int khz, int logState, const std::string& path)
{
    m_timeDomainViewer->ShowTimeDomain(khz, logState, path);
}

} // namespace zr
