#pragma once
// The scroll bar, zoom buttons and marker edit around a graph, kept in step
// the same way in every tool: the window moves, the bar follows, and the
// marker edit gets the key that keeps the marker inside the new window.
#include <QPushButton>
#include <QScrollBar>
#include <functional>
#include <initializer_list>
#include <utility>

#include "graph/EditMarker.h"
#include "graph/StaticRfGraph.h"

class QLabel;

namespace zr {

// What a screen reader hears of a graph: its name is the window's title (kept
// so as the title changes), its description where the marker stands and what
// the read-outs beside it show ("Marker 606.125: RF level [dBuV] 45").
void NameGraphAfterWindow(QWidget* window, QWidget* graph);
void DescribeMarker(QWidget* graph, const QString& where, std::initializer_list<std::pair<const QLabel*, const QLabel*>> readOuts);

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
