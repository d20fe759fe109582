#pragma once
// The scroll bar, zoom buttons and marker edit around a graph, kept in step
// the same way in every tool: the window moves, the bar follows, and the
// marker edit gets the key that keeps the marker inside the new window.
#include <QPushButton>
#include <QScrollBar>
#include <functional>

#include "graph/EditMarker.h"
#include "graph/StaticRfGraph.h"

namespace zr {

class CGraphWindowControls {
public:
    // `windowMoved` sets the marker edit's range to the visible window.
    CGraphWindowControls(CStaticRfGraph* graph, QScrollBar* bar, CEditMarker* marker, std::function<void()> windowMoved)
        : m_graph(graph), m_bar(bar), m_marker(marker), m_windowMoved(std::move(windowMoved))
    {
    }
    // One step at the window's edge: the marker moves on with the window.
    void ScrollView(int delta);
    // mode 0 halves the span, 1 doubles it.
    void ZoomBy(int mode);
    // The bar after the window: its positions are the window's possible first
    // points (0 .. points - 1 - span), a page is the span, and it is disabled
    // when the whole range is in view.
    void SyncBar();
    // The bar's value changed, however (a click, a key, a drag, setValue, an
    // accessibility client): the plot goes where the bar is.
    void OnBarValue(int value);
    // The controls' signals, the same in every tool: the scroll bar, "+" and
    // "-", and the "<" ">" pair around the marker edit. `context` owns them.
    void Wire(QObject* context, QPushButton* zoomIn, QPushButton* zoomOut, CMarkerButton* left, CMarkerButton* right);

private:
    CStaticRfGraph* m_graph;
    QScrollBar* m_bar;
    CEditMarker* m_marker;
    std::function<void()> m_windowMoved;
};

} // namespace zr
