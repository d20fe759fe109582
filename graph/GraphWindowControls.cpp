#include "graph/GraphWindowControls.h"

namespace zr {

void CGraphWindowControls::ScrollView(int delta)
{
    m_bar->setValue(m_bar->value() + delta);
    if (!m_graph->ScrollBy(delta).changed)
        return;
    m_windowMoved();
    m_marker->ProcessKey(delta < 1 ? kKeyLeft : kKeyRight); // one more step into the shifted window
}

void CGraphWindowControls::ZoomBy(int mode)
{
    const auto w = m_graph->Zoom(mode);
    if (!w.changed)
        return;
    m_bar->setPageStep(w.last - w.first);
    m_bar->setValue(w.first);
    m_windowMoved();
    m_marker->ProcessKey(kKeyEnter); // the marker clamped into the new window, and reported
}

void CGraphWindowControls::OnScroll(int action)
{
    const int page = m_bar->pageStep();
    int delta = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: delta = -1; break;
    case QAbstractSlider::SliderSingleStepAdd: delta = 1; break;
    case QAbstractSlider::SliderPageStepSub: delta = -page; break;
    case QAbstractSlider::SliderPageStepAdd: delta = page; break;
    case QAbstractSlider::SliderMove:
    case QAbstractSlider::SliderToMinimum: // Home and End on the bar
    case QAbstractSlider::SliderToMaximum: delta = m_bar->sliderPosition() - m_graph->Model().first; break;
    default: break;
    }
    m_graph->ScrollBy(delta);
    m_bar->setValue(m_graph->Model().first);
    m_windowMoved();
    m_marker->ProcessKey(kKeyEnter);
}

void CGraphWindowControls::Wire(QObject* context, QPushButton* zoomIn, QPushButton* zoomOut, CMarkerButton* left, CMarkerButton* right)
{
    QObject::connect(m_bar, &QScrollBar::actionTriggered, context, [this](int action) { OnScroll(action); });
    QObject::connect(zoomIn, &QPushButton::clicked, context, [this] { ZoomBy(0); });
    QObject::connect(zoomOut, &QPushButton::clicked, context, [this] { ZoomBy(1); });
    QObject::connect(left, &QPushButton::clicked, context, [this] { m_marker->ProcessKey(kKeyLeft); });
    QObject::connect(right, &QPushButton::clicked, context, [this] { m_marker->ProcessKey(kKeyRight); });
    QObject::connect(left, &CMarkerButton::keyPressed, context, [left, right](int key) { HandleMarkerButtonKey(left, key, left, right); });
    QObject::connect(right, &CMarkerButton::keyPressed, context, [left, right](int key) { HandleMarkerButtonKey(right, key, left, right); });
}

} // namespace zr
