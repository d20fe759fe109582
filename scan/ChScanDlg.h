#pragma once
// "Channel Scan": one receiver sweeps the sixteen channels of a bank; the
// levels show as bars with a marker to read one off.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "graph/EditMarker.h"
#include "graph/StaticRfGraph.h"
#include "ui/ToolRequests.h"
#include "scan/StartWait.h"
#include "ui/ToolWindow.h"
#include "link/ToolFacts.h"

namespace zr {

class CChScanDlg : public CToolWindow {
    Q_OBJECT
public:
    CChScanDlg(IToolRequests* host, QWidget* parent);

    // What the main view calls, in this order, before showing it.
    void SetReceiver(int recNo);
    void OnScanState(int32_t mode);
    void FillBanks();
    void InitGraph();
    // Stop Scan, also on a lost connection.
    void Stop();

    // From the tool host.
    void OnPollReply(const ReceiverReply& reply) override;
    void OnReceiverMode(int recNo, int32_t mode) override;
    void OnOneShot(int recNo, int kind, bool acknowledged) override;
    void OnReceiverLost(int recNo) override;

    bool Running() const { return m_running; }
    bool IsRunning() const override { return m_running; }
    int Confirmation() const { return m_confirmation; }
    int BankCode() const { return m_bankCode; }
    CStaticChScanGraph* Graph() const { return m_graph; }
    CEditChMarker* Marker() const { return m_marker; }
    QComboBox* Banks() const { return m_banks; }
    QCheckBox* PeakHold() const { return m_peakHold; }
    QPushButton* StartButton() const { return m_start; }
    QPushButton* StopButton() const { return m_stop; }
    QLabel* Level() const { return m_level; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    void StartScan();
    void ApplySettings();
    void SetIdleControls(bool idle); // Start, Peak Hold, banks enabled; Stop the opposite
    void DisableAll();
    void OnMarkerMoved(const MarkerList& values);
    void OnMarkerEdited();

    IToolRequests* m_host;
    QString m_baseCaption;
    int m_bankCode = -1;
    bool m_running = false;
    int m_confirmation = 0;
    CStartWait m_startWait;

    CStaticChScanGraph* m_graph;
    QPushButton* m_start;
    QPushButton* m_stop;
    QComboBox* m_banks;
    QCheckBox* m_peakHold;
    CMarkerButton* m_left;
    CEditChMarker* m_marker;
    CMarkerButton* m_right;
    QLabel* m_levelCaption;
    QLabel* m_level;
};

} // namespace zr
