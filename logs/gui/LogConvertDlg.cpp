#include "logs/gui/LogConvertDlg.h"

#include <QGridLayout>
#include <QKeyEvent>

#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "graph/ReadOnlyText.h"
#include "logs/LogConvert.h"
#include "platform/LogFolder.h"

namespace zr {

CLogConvertDlg::CLogConvertDlg(IToolRequests* host, QWidget* parent)
    : QDialog(parent), m_host(host), m_uiQueue(std::make_unique<CUiThreadQueue>()), m_worker(m_uiQueue.get())
{
    setObjectName("logConvertDlg");
    setWindowTitle("Log to Text Conversion");
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Log file (*.nlg)", this), 0, 0, 1, 2);
    m_sourceEdit = new QLineEdit(this);
    MakeReadOnly(m_sourceEdit); // chosen with "..." only
    m_sourceEdit->setMinimumWidth(360);
    auto* browse = new QPushButton("...", this);
    browse->setObjectName("browseButton");
    layout->addWidget(m_sourceEdit, 1, 0);
    layout->addWidget(browse, 1, 1);
    auto* outputLabel = new QLabel("Output file (*.log)", this);
    m_outputEdit = new QLineEdit(this);
    MakeReadOnly(m_outputEdit);
    outputLabel->hide(); // the output always goes into the log folder
    m_outputEdit->hide();
    layout->addWidget(outputLabel, 2, 0);
    layout->addWidget(m_outputEdit, 3, 0);
    m_convertButton = new QPushButton("Convert", this);
    m_convertButton->setObjectName("convertButton");
    layout->addWidget(m_convertButton, 4, 1);
    connect(browse, &QPushButton::clicked, this, &CLogConvertDlg::Browse);
    connect(m_convertButton, &QPushButton::clicked, this, &CLogConvertDlg::Convert);
}

CLogConvertDlg::~CLogConvertDlg()
{
    // A running conversion may be waiting on this window for a message box.
    m_worker.Join();
}

void CLogConvertDlg::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        return; // Enter and Escape do not close the dialog
    QDialog::keyPressEvent(e);
}

void CLogConvertDlg::Browse()
{
    std::string folder;
    if (!GetLogFolder(folder)) {
        ShowMessage(this, kFailedSystemFolder);
        return;
    }
    const QString chosen = GetOpenFileName(this, QString::fromStdString(folder), "LogFile(*.nlg)");
    if (chosen.isEmpty())
        return;
    m_sourcePath = chosen;
    m_sourceEdit->setText(chosen);
    m_sourceEdit->end(false);
    m_outputPath = QString::fromStdString(ConvertOutputPath(chosen.toStdString(), folder));
    m_outputEdit->setText(m_outputPath);
    m_outputEdit->end(false);
}

void CLogConvertDlg::Convert()
{
    if (!m_worker.Start([this, source = m_sourcePath.toStdString(), output = m_outputPath.toStdString()] { Work(source, output); }))
        ShowMessage(this, "A conversion is already running.");
}

void CLogConvertDlg::ShowFromWorker(const QString& text)
{
    m_uiQueue->RunAndWait([&] { ShowMessage(this, text); });
}

bool CLogConvertDlg::AskFromWorker(const QString& text)
{
    bool yes = false;
    m_uiQueue->RunAndWait([&] { yes = ShowMessage(this, text, MsgButtons::YesNo) == MsgAnswer::Yes; });
    return yes;
}

void CLogConvertDlg::Work(std::string source, std::string output)
{
    ConvertHooks hooks;
    hooks.confirmOverwrite = [this] { return AskFromWorker(kMsgOverwrite); };
    hooks.running = [this](bool running) {
        m_uiQueue->RunAndWait([&] {
            if (!m_host)
                return;
            if (running)
                m_host->LoadingStarted(NativePath(m_sourcePath), true);
            else
                m_host->LoadingEnded();
        });
    };
    hooks.blocks = [this](uint64_t n) {
        if (m_progressSink)
            m_progressSink(n);
    };
    const int result = ConvertLogToText(source, output, hooks);
    const std::string message = ConvertResultMessage(result, output);
    if (!message.empty())
        ShowFromWorker(QString::fromStdString(message));
}

} // namespace zr
