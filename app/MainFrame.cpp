#include "app/MainFrame.h"
#include "app/PublishStatus.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QMenuBar>
#include <QStatusBar>

#include "app/AboutDlg.h"
#include "app/ControlIds.h"
#include "app/MaintenanceView.h"
#include "ui/FileDialog.h"

namespace zr {

CMainFrame::CMainFrame(bool detailMode, QWidget* parent) : QMainWindow(parent), m_detailMode(detailMode)
{
    setWindowTitle(kTitle);
    m_view = new CZRQ6930_MaintenanceView(detailMode, this);
    setCentralWidget(m_view);
    setAcceptDrops(true);

    QMenu* file = menuBar()->addMenu("&File");
    AddAction(file, kCmdExit, "E&xit", "Quit the application.");
    QMenu* log = menuBar()->addMenu("&Log");
    QMenu* background = log->addMenu("&Background Log");
    AddAction(background, kCmdStartRecording, "&Start Recording", "Start recording log.");
    AddAction(background, kCmdStopRecording, "S&top Recording", "Stop recording log.");
    AddAction(background, kCmdViewBackgroundLog, "&View Log Data", "Open log view window.");
    background->addSeparator();
    AddAction(background, kCmdConvertToText, "&Convert to Text", "Convert from log data to text file.");
    AddAction(background, kCmdOpenLogFolder, "Open Log &Folder", "Open log folder.");
    AddAction(log->addMenu("&Walk-Test Log"), kCmdViewWalkLog, "&View Log Data", "Open walk-test log view window.");
    QMenu* spectrum = log->addMenu("&Spectrum Scan Log");
    AddAction(spectrum, kCmdViewSpectrumLog, "&View Log Data", "Open spectrum scan log view window.");
    spectrum->addSeparator();
    AddAction(spectrum, kCmdFrequencyPlan, "Frequency &Plan...", "Choose frequencies free of intermodulation and of what the log saw busy.");
    AddAction(spectrum, kCmdCheckFrequencies, "&Check Receiver Frequencies", "List the conflicts of the connected receivers' frequencies.");
    QMenu* help = menuBar()->addMenu("&Help");
    AddAction(help, kCmdAbout, "&About...", "Display program information, version number and copyright");
    connect(log, &QMenu::aboutToShow, this, &CMainFrame::UpdateMenuState);
    connect(background, &QMenu::aboutToShow, this, &CMainFrame::UpdateMenuState);

    connect(Action(kCmdExit), &QAction::triggered, this, &QWidget::close);
    connect(Action(kCmdAbout), &QAction::triggered, this, &CMainFrame::ShowAbout);
    connect(Action(kCmdStartRecording), &QAction::triggered, m_view, &CZRQ6930_MaintenanceView::StartRecording);
    connect(Action(kCmdStopRecording), &QAction::triggered, m_view, &CZRQ6930_MaintenanceView::StopRecording);
    connect(Action(kCmdConvertToText), &QAction::triggered, m_view, &CZRQ6930_MaintenanceView::ShowLogConvert);
    connect(Action(kCmdOpenLogFolder), &QAction::triggered, m_view, &CZRQ6930_MaintenanceView::OpenLogFolder);
    connect(Action(kCmdViewSpectrumLog), &QAction::triggered, m_view, &CZRQ6930_MaintenanceView::ShowSpectrumLogViewer);
    connect(Action(kCmdViewWalkLog), &QAction::triggered, m_view, &CZRQ6930_MaintenanceView::ShowWalkLogViewer);
    connect(Action(kCmdViewBackgroundLog), &QAction::triggered, m_view, &CZRQ6930_MaintenanceView::ShowBackgroundLogViewer);
    connect(Action(kCmdFrequencyPlan), &QAction::triggered, m_view, &CZRQ6930_MaintenanceView::ShowFrequencyPlan);
    connect(Action(kCmdCheckFrequencies), &QAction::triggered, m_view, &CZRQ6930_MaintenanceView::CheckReceiverFrequencies);

    m_caps = new QLabel("CAP", this);
    m_num = new QLabel("NUM", this);
    m_scrl = new QLabel("SCRL", this);
    for (QLabel* l : {m_caps, m_num, m_scrl})
        statusBar()->addPermanentWidget(l);
    // The idle text: a normal widget shows whenever no message does.
    auto* ready = new QLabel("Ready", this);
    statusBar()->addWidget(ready, 1);
    connect(m_view, &CZRQ6930_MaintenanceView::statusMessage, this, [this](const QString& text) { statusBar()->showMessage(text, 10000); });
    UpdateMenuState();
    UpdateKeyIndicators();
}

void CMainFrame::ShowPublishing(const CMqttPublisher& publisher)
{
    statusBar()->addPermanentWidget(new CPublishStatus(publisher, this));
}

QAction* CMainFrame::AddAction(QMenu* menu, int id, const QString& text, const QString& prompt)
{
    QAction* a = menu->addAction(text);
    a->setStatusTip(prompt);
    a->setData(id);
    m_actions[id] = a;
    return a;
}

QAction* CMainFrame::Action(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::UpdateMenuState()
{
    const bool recording = m_view->IsRecording();
    Action(kCmdStartRecording)->setEnabled(m_view->CanStartRecording());
    Action(kCmdStopRecording)->setEnabled(recording);
    Action(kCmdConvertToText)->setEnabled(!recording);
    Action(kCmdOpenLogFolder)->setEnabled(true);
    for (int id : {kCmdViewSpectrumLog, kCmdViewBackgroundLog, kCmdViewWalkLog})
        Action(id)->setEnabled(!recording);
}

namespace {

// The first local file of a drag, or "".
QString DroppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

} // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* e)
{
    if (!DroppedFile(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e)
{
    const QString file = DroppedFile(e->mimeData());
    if (file.isEmpty())
        return;
    e->acceptProposedAction();
    // After the drop returns: the viewer's messages must not run inside the drag.
    QTimer::singleShot(0, this, [this, file] { m_view->OpenLogFile(NativePath(file)); });
}

QString CMainFrame::StatusText() const
{
    const QString message = statusBar()->currentMessage();
    return message.isEmpty() ? "Ready" : message;
}

void CMainFrame::ShowAbout()
{
    CAboutDlg about(m_detailMode, {[this] { return m_view->ShowFwVersion(); }, [this] { return m_view->ShowIdView(); }}, this);
    about.exec();
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    if (m_view->QueryQuit())
        e->accept();
    else
        e->ignore();
}

void CMainFrame::UpdateKeyIndicators()
{
    // Qt cannot read the lock keys' state portably; the panes stay as labels
    // that show the key names, dimmed.
    for (QLabel* l : {m_caps, m_num, m_scrl})
        l->setEnabled(false);
}

} // namespace zr
