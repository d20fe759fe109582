#pragma once
// The base of every modeless tool and information window: created once with
// the main view, shown and hidden on demand, never destroyed before the view.
// The tool host drives it with copies of what its receiver said; it never
// holds a link. Whichever way it goes away (close button, Escape, Enter, a
// hide by the view) WindowGone runs once, so the view always hears of it.
#include <QDialog>
#include <cstdint>

#include "link/ReceiverReply.h"

namespace zr {

class CToolWindow : public QDialog {
    Q_OBJECT
public:
    // What Enter and Escape do: nothing (the tools), or close the window as a
    // plain dialog does (FW Version, ID View).
    enum class DialogKeys { Ignored, Close };
    static constexpr int kAllReceivers = -2;
    static constexpr int kNoReceiver = -1;

    CToolWindow(QWidget* parent, const char* objectName, const QString& caption, DialogKeys keys);

    // The receiver this window serves: 0..15, kAllReceivers or kNoReceiver.
    int Receiver() const { return m_receiver; }
    void SetReceiver(int recNo) { m_receiver = recNo; }
    bool Serves(int recNo) const { return m_receiver == kAllReceivers || (m_receiver >= 0 && m_receiver == recNo); }

    // From the tool host, on the user-interface thread.
    virtual void OnPollReply(const ReceiverReply& reply);
    virtual void OnReceiverMode(int recNo, int32_t mode);
    virtual void OnOneShot(int recNo, int kind, bool acknowledged);
    virtual void OnReceiverLost(int recNo);
    // A test or scan is under way.
    virtual bool IsRunning() const { return false; }
    // Hears the mode changes of every receiver, not only of the one it serves.
    virtual bool HearsEveryMode() const { return false; }

protected:
    // The window went away; it may be shown again later.
    virtual void WindowGone() {}
    void keyPressEvent(QKeyEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    DialogKeys m_keys;
    int m_receiver = kNoReceiver;
};

} // namespace zr
