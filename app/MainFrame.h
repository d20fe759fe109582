#pragma once
// The frame: caption, menus, status bar with the menu prompts; asks the view
// before closing.
#include <QAction>
#include <QLabel>
#include <QMainWindow>

namespace zr {

class CZRQ6930_MaintenanceView;
class CMqttPublisher;

constexpr char kTitle[] = "ZR-Q6930 Maintenance Software";

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(bool detailMode, QWidget* parent = nullptr);
    CZRQ6930_MaintenanceView* View() const { return m_view; }
    // Sends an application message to the view, as the frame forwards them.
    void ShowAbout();
    // Menu actions by command id (32779..32789, 57664, 57665).
    QAction* Action(int id) const;
    void UpdateMenuState();
    QString StatusText() const;
    // Shows the publisher's state in the status bar.
    void ShowPublishing(const CMqttPublisher& publisher);

protected:
    void closeEvent(QCloseEvent* e) override;
    // A log file dropped on the window opens in its viewer.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    QAction* AddAction(QMenu* menu, int id, const QString& text, const QString& prompt);
    void UpdateKeyIndicators();

    bool m_detailMode;
    CZRQ6930_MaintenanceView* m_view;
    std::map<int, QAction*> m_actions;
    QLabel* m_caps;
    QLabel* m_num;
    QLabel* m_scrl;
};

} // namespace zr
