#pragma once
// The About box: program name, version, and two ways into receiver information.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <functional>

namespace zr {

// "1.1.0", or "1.1.0.0" in detail mode.
QString VersionText(bool detailMode);

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // `send` delivers WM_APP_SHOW_FW_VERSION / WM_APP_SHOW_ID_VIEW to the main window.
    CAboutDlg(bool detailMode, std::function<intptr_t(uint32_t)> send, QWidget* parent);
    QLabel* VersionLabel() const { return m_version; }
    QPushButton* FwVerButton() const { return m_fwVer; }
    // The icon's double-click; shift and ctrl as held at that moment.
    void OnIconDoubleClicked(bool shift, bool ctrl);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<intptr_t(uint32_t)> m_send;
    QLabel* m_icon;
    QLabel* m_version;
    QPushButton* m_fwVer;
};

} // namespace zr
