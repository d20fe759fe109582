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
    // The main window's two ways in; each says whether it showed its window.
    struct ReceiverInformation {
        std::function<bool()> showFwVersion;
        std::function<bool()> showIdView;
    };
    CAboutDlg(bool detailMode, ReceiverInformation information, QWidget* parent);
    QLabel* VersionLabel() const { return m_version; }
    QPushButton* FwVerButton() const { return m_fwVer; }
    // The icon's double-click; shift and ctrl as held at that moment.
    void OnIconDoubleClicked(bool shift, bool ctrl);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ReceiverInformation m_information;
    QLabel* m_icon;
    QLabel* m_version;
    QPushButton* m_fwVer;
};

} // namespace zr
