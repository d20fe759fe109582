#include "app/PublishStatus.h"

#include "publish/MqttPublisher.h"

namespace zr {

CPublishStatus::CPublishStatus(const CMqttPublisher& publisher, QWidget* parent) : QLabel(parent), m_publisher(publisher)
{
    setToolTip(QString::fromStdString("Publishing to " + BrokerAddressText(publisher.Options().broker) + " under " + publisher.Options().topicBase));
    connect(&m_timer, &QTimer::timeout, this, &CPublishStatus::Refresh);
    m_timer.start(1000);
    Refresh();
}

void CPublishStatus::Refresh()
{
    const CMqttPublisher::Stats s = m_publisher.GetStats();
    QString text = s.connected ? "MQTT: publishing" : "MQTT: broker not reached";
    if (s.dropped > 0)
        text += QString(", %1 dropped").arg(s.dropped);
    setText(text);
    setStyleSheet(s.connected ? QString() : "color: #b00000;");
}

} // namespace zr
