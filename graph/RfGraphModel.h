#pragma once
// What an RF-level graph shows and where, without painting: the traces, the
// visible window, the marker and scan line, and the pixel geometry. The
// graph widgets paint from this; tests call it directly.
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace zr {

struct GraphRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    GraphRect Grown(int d) const { return {left - d, top - d, right + d, bottom + d}; }
};

// The index under the marker and each trace's value there.
struct MarkerPoint {
    int index = 0;
    int value = 0;
};
struct MarkerList {
    int count = 0;
    std::array<MarkerPoint, 4> points{};
};

enum TraceStyle { kStylePolyline = 0, kStyleBars = 1, kStyleSteps = 2 };
constexpr int kMaxTraces = 4;
constexpr std::array<int, 5> kGridLevels{50, 40, 30, 20, 10};

class CRfGraphModel {
public:
    virtual ~CRfGraphModel() = default;
    // Client size in pixels: the plot, frame and pane rectangles follow.
    void SetClientSize(int width, int height);
    const GraphRect& Client() const { return m_client; }
    const GraphRect& Plot() const { return m_plot; }
    const GraphRect& Frame() const { return m_frame; }
    const GraphRect& Upper() const { return m_upper; }
    const GraphRect& Lower() const { return m_lower; }
    // The rectangle a trace of `pane` draws in, and the grid's.
    const GraphRect& PaneRect(int pane) const { return twoPane ? (pane == 0 ? m_upper : m_lower) : m_plot; }
    const GraphRect& GridRect() const { return twoPane ? m_upper : m_plot; }

    int IndexToX(int index) const;
    // y relative to the pane rectangle's top.
    int LevelToY(int value, int pane) const;
    // The stored point of trace 0 nearest to pixel column px, clamped into the
    // visible window: (its x, its index).
    std::pair<int, int> NearestIndex(int px) const;

    int ValueAt(int trace, int index) const;
    int TraceSize(int trace) const { return static_cast<int>(traces[static_cast<std::size_t>(trace)].size()); }

    // The store rule of a scan; true when a value was written.
    bool StoreValue(int index, int level);
    // Every trace N zeros, the window from 0 within the spans, no scan line.
    void ZeroData();
    void ClearData();
    struct Window {
        int first, last;
        bool changed;
    };
    // mode 0 halves the span, 1 doubles it, another value is the new last
    // index; centred on the marker, kept inside the points and the spans.
    Window Zoom(int mode);
    Window ScrollBy(int delta);
    // Shows the scan line at the index when it lies inside the window (its
    // ends included only when `inclusive`); true when the line changed.
    bool SetScanPosition(int index, bool inclusive);

    // A marker move to pixel column px: true with the list to report when
    // the marker moved or the values under it changed. `moved` says whether
    // the marker line itself moved (a repaint).
    bool MoveMarker(int px, bool& moved, MarkerList& report);
    // The values under index i, remembered as the last reported.
    MarkerList NotifyMarker(int index);

    // Settings the dialogs set directly.
    int storeMode = 0;    // 1: peak hold
    int storeVariant = 0; // 1: always overwrite
    int lastStoredIndex = -1;
    int first = 0, last = 100;
    int peakHoldTitle = 2; // 1 "ON", 0 "OFF", other " - "
    int markerX = -1;
    int scanLineX = -1;
    int minSpan = 1, maxSpan = 1000;
    int pointCount = 101;
    int traceCount = 1;
    bool twoPane = false;
    std::array<int, kMaxTraces> style{kStylePolyline, kStylePolyline, kStyleSteps, kStyleSteps};
    std::array<int, kMaxTraces> pane{0, 0, 1, 1};
    std::array<int, kMaxTraces> visible{1, 1, 0, 0};
    std::array<std::vector<uint16_t>, kMaxTraces> traces;
    // Per point 0..100: a grey column from the bottom, that share of the
    // plot's height, behind the traces (a spectrum log's busy share). Empty: none.
    std::vector<uint8_t> shade;
    bool shadeShown = true; // the viewer's check box switches the shading off
    std::array<int, kMaxTraces> markerCache{};

    static constexpr int kMarginLeft = 60, kMarginTop = 20, kMarginRight = 10, kMarginBottom = 35;

private:
    // Keeps (first, last) inside the points and the spans.
    void Fit(int& f, int& l) const;

    GraphRect m_client, m_plot, m_frame, m_upper, m_lower;
};

} // namespace zr
