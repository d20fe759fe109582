#pragma once
// The status bar's word on live publishing: reached or not, and how many
// messages were dropped; read from the publisher once a second.
#include <QLabel>
#include <QTimer>

namespace zr {

class CMqttPublisher;

class CPublishStatus : public QLabel {
    Q_OBJECT
public:
    CPublishStatus(const CMqttPublisher& publisher, QWidget* parent = nullptr);
    void Refresh();

private:
    const CMqttPublisher& m_publisher;
    QTimer m_timer;
};

} // namespace zr
