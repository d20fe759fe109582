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
    case QAbstractSlider::SliderMove: delta = m_bar->sliderPosition() - m_graph->Model().first; break;
    default: break;
    }
    m_graph->ScrollBy(delta);
    m_bar->setValue(m_graph->Model().first);
    m_windowMoved();
    m_marker->ProcessKey(kKeyEnter);
}

} // namespace zr
