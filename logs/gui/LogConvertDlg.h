#pragma once
// "Log to Text Conversion": choose a Background Log, convert it on a worker
// thread while the main view shows the progress.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <memory>
#include <string>

#include "ui/ToolRequests.h"
#include "ui/UiThreadQueue.h"
#include "ui/WindowWorker.h"

namespace zr {

class CLogConvertDlg : public QDialog {
    Q_OBJECT
public:
    CLogConvertDlg(IToolRequests* host, QWidget* parent);
    ~CLogConvertDlg() override;

    void Browse();
    // Starts the conversion worker; a second Convert while one runs is refused.
    void Convert();
    bool Running() const { return m_worker.Running(); }
    QString SourcePath() const { return m_sourcePath; }
    QString OutputPath() const { return m_outputPath; }
    void SetProgressSink(std::function<void(uint64_t)> sink) { m_progressSink = std::move(sink); }
    QPushButton* ConvertButton() const { return m_convertButton; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void Work(std::string source, std::string output);
    void ShowFromWorker(const QString& text);
    bool AskFromWorker(const QString& text);

    IToolRequests* m_host;
    std::unique_ptr<CUiThreadQueue> m_uiQueue; // the worker's questions and its start and end
    QString m_sourcePath, m_outputPath;
    QLineEdit* m_sourceEdit;
    QLineEdit* m_outputEdit;
    QPushButton* m_convertButton;
    CWindowWorker m_worker;
    std::function<void(uint64_t)> m_progressSink;
};

} // namespace zr
