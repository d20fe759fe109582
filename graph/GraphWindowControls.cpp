#include "graph/GraphWindowControls.h"

#include <QLabel>
#include <QSignalBlocker>
#include <algorithm>

namespace zr {

void NameGraphAfterWindow(QWidget* window, QWidget* graph)
{
    graph->setAccessibleName(window->windowTitle());
    QObject::connect(window, &QWidget::windowTitleChanged, graph, &QWidget::setAccessibleName);
}

void DescribeMarker(QWidget* graph, const QString& where, std::initializer_list<std::pair<const QLabel*, const QLabel*>> readOuts)
{
    QStringList parts;
    for (const auto& [caption, value] : readOuts)
        parts << caption->text() + " " + value->text();
    graph->setAccessibleDescription("Marker " + where + ": " + parts.join("; "));
}

void CGraphWindowControls::ScrollView(int delta)
{
    if (!m_graph->ScrollBy(delta).changed)
        return;
    SyncBar();
    m_windowMoved();
    m_marker->ProcessKey(delta < 1 ? kKeyLeft : kKeyRight); // one more step into the shifted window
}

void CGraphWindowControls::ZoomBy(int mode)
{
    if (!m_graph->Zoom(mode).changed)
        return;
    SyncBar();
    m_windowMoved();
    m_marker->ProcessKey(kKeyEnter); // the marker clamped into the new window, and reported
}

void CGraphWindowControls::SyncBar()
{
    const CRfGraphModel& m = m_graph->Model();
    const int span = m.last - m.first;
    const int maximum = std::max(0, m.pointCount - 1 - span);
    const QSignalBlocker quiet(m_bar); // the bar follows the window here, not the other way
    m_bar->setRange(0, maximum);
    m_bar->setPageStep(std::max(1, span));
    m_bar->setValue(m.first);
    m_bar->setEnabled(maximum > 0);
}

void CGraphWindowControls::OnBarValue(int value)
{
    const int delta = value - m_graph->Model().first;
    if (delta == 0)
        return;
    m_graph->ScrollBy(delta);
    SyncBar();
    m_windowMoved();
    m_marker->ProcessKey(kKeyEnter);
}

void CGraphWindowControls::Wire(QObject* context, QPushButton* zoomIn, QPushButton* zoomOut, CMarkerButton* left, CMarkerButton* right)
{
    QObject::connect(m_bar, &QScrollBar::valueChanged, context, [this](int value) { OnBarValue(value); });
    QObject::connect(zoomIn, &QPushButton::clicked, context, [this] { ZoomBy(0); });
    QObject::connect(zoomOut, &QPushButton::clicked, context, [this] { ZoomBy(1); });
    QObject::connect(left, &QPushButton::clicked, context, [this] { m_marker->ProcessKey(kKeyLeft); });
    QObject::connect(right, &QPushButton::clicked, context, [this] { m_marker->ProcessKey(kKeyRight); });
    QObject::connect(left, &CMarkerButton::keyPressed, context, [left, right](int key) { HandleMarkerButtonKey(left, key, left, right); });
    QObject::connect(right, &CMarkerButton::keyPressed, context, [left, right](int key) { HandleMarkerButtonKey(right, key, left, right); });
}

} // namespace zr
