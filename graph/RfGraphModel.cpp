#include "graph/RfGraphModel.h"

#include <algorithm>
#include <cstdlib>

namespace zr {

void CRfGraphModel::SetClientSize(int width, int height)
{
    m_client = {0, 0, width, height};
    m_plot = {kMarginLeft, kMarginTop, width - kMarginRight, height - kMarginBottom};
    m_frame = m_plot.Grown(1);
    m_upper = m_plot;
    m_upper.bottom -= 40;
    m_lower = m_plot;
    m_lower.top = m_plot.bottom - 30;
}

int CRfGraphModel::IndexToX(int index) const
{
    const int n = last - first + 1;
    const int k = index - first;
    const int w = m_plot.Width();
    const bool bars = style[0] == kStyleBars;
    const int half = bars && n > 0 ? (w / n) / 2 : 0;
    if (k == n - 1)
        return m_plot.right - half;
    if (bars)
        return m_plot.left + (w * k) / n + half;
    return n > 1 ? m_plot.left + (w * k) / (n - 1) : m_plot.right;
}

int CRfGraphModel::LevelToY(int value, int paneOfTrace) const
{
    const int h = PaneRect(paneOfTrace).Height();
    if (paneOfTrace == 1) {
        const int t = value <= 0 ? 0 : 1;
        return ((2 - t) * h) / 2 - h / 4;
    }
    const int v = std::clamp(value, 5, 60);
    return ((60 - v) * h) / 55;
}

std::pair<int, int> CRfGraphModel::NearestIndex(int px) const
{
    int best = first;
    int bestDistance = -1;
    const int size = TraceSize(0);
    for (int i = 0; i < size; ++i) {
        const int d = std::abs(px - IndexToX(i));
        if (bestDistance < 0 || d < bestDistance) { // equal distance: the lower index stays
            bestDistance = d;
            best = i;
        }
    }
    best = std::clamp(best, first, std::max(first, last));
    return {IndexToX(best), best};
}

int CRfGraphModel::ValueAt(int trace, int index) const
{
    const auto& t = traces[static_cast<std::size_t>(trace)];
    return index >= 0 && index < static_cast<int>(t.size()) ? t[static_cast<std::size_t>(index)] : 0;
}

bool CRfGraphModel::StoreValue(int index, int level)
{
    bool stored = false;
    for (int t = 0; t < traceCount; ++t) {
        auto& trace = traces[static_cast<std::size_t>(t)];
        if (index < 0 || index >= static_cast<int>(trace.size()))
            continue;
        uint16_t& slot = trace[static_cast<std::size_t>(index)];
        bool write;
        if (storeMode == 1) {
            write = level > slot;
        } else if (storeVariant == 1) {
            write = true;
        } else {
            write = index != lastStoredIndex || level > slot;
            lastStoredIndex = index;
        }
        if (write) {
            slot = static_cast<uint16_t>(level);
            stored = true;
        }
    }
    return stored;
}

void CRfGraphModel::ZeroData()
{
    for (auto& t : traces)
        t.assign(static_cast<std::size_t>(std::max(pointCount, 0)), 0);
    shade.clear();
    first = 0;
    last = pointCount - 1;
    if (last - first < minSpan)
        last = first + minSpan;
    if (last - first > maxSpan)
        last = first + maxSpan;
    scanLineX = -1;
}

void CRfGraphModel::ClearData()
{
    for (auto& t : traces)
        t.clear();
    shade.clear();
    scanLineX = -1;
}

void CRfGraphModel::Fit(int& f, int& l) const
{
    if (l > pointCount - 1) {
        f = std::max(0, f - (l - (pointCount - 1)));
        l = pointCount - 1;
    } else if (f < 0) {
        l -= f;
        f = 0;
    }
    l = std::clamp(l, f + minSpan, f + maxSpan);
}

CRfGraphModel::Window CRfGraphModel::Zoom(int mode)
{
    const int span = last - first;
    int f = first;
    int l = mode == 0 ? first + span / 2 : mode == 1 ? first + 2 * span : mode;
    Fit(f, l);
    const int s = l - f;
    const int m = NearestIndex(markerX).second;
    int f2 = m - s / 2;
    int l2 = f2 + s;
    Fit(f2, l2);
    if (s == span)
        return {first, last, false};
    first = f2;
    last = l2;
    return {first, last, true};
}

CRfGraphModel::Window CRfGraphModel::ScrollBy(int delta)
{
    const int span = last - first;
    const int oldFirst = first;
    first += delta;
    last += delta;
    if (first < 0) {
        first = 0;
        last = span;
    } else if (last > pointCount - 1) {
        first = pointCount - 1 - span;
        last = pointCount - 1;
    }
    return {first, last, first != oldFirst};
}

bool CRfGraphModel::SetScanPosition(int index, bool inclusive)
{
    const bool inside = inclusive ? (index >= first && index <= last) : (index > first && index < last);
    const int x = inside ? IndexToX(index) : -1;
    const bool changed = x != scanLineX;
    scanLineX = x;
    return changed;
}

MarkerList CRfGraphModel::NotifyMarker(int index)
{
    MarkerList list;
    list.count = traceCount;
    for (int t = 0; t < traceCount; ++t) {
        const int v = ValueAt(t, index);
        markerCache[static_cast<std::size_t>(t)] = v;
        list.points[static_cast<std::size_t>(t)] = {index, v};
    }
    return list;
}

bool CRfGraphModel::MoveMarker(int px, bool& moved, MarkerList& report)
{
    const auto [x, i] = NearestIndex(px);
    moved = x != markerX;
    if (moved) {
        markerX = x;
        report = NotifyMarker(i);
        return true;
    }
    for (int t = 0; t < traceCount; ++t) {
        if (ValueAt(t, i) != markerCache[static_cast<std::size_t>(t)]) {
            report = NotifyMarker(i);
            return true;
        }
    }
    return false;
}

} // namespace zr
