#include "graph/StaticWalkGraph.h"

#include <QDateTime>
#include <QPainter>
#include <ctime>

namespace zr {

// The base owns the model; this class keeps its walk-typed view of it.
CStaticWalkGraph::CStaticWalkGraph(QWidget* parent) : CStaticRfGraph(parent, new CWalkGraphModel)
{
    m_walk = static_cast<CWalkGraphModel*>(&Model());
}

void CStaticWalkGraph::InitSettings()
{
    m_walk->InitSettings();
}

void CStaticWalkGraph::ResetData()
{
    m_walk->ResetData();
    MoveMarker(m_walk->markerX);
    RequestRepaint();
}

void CStaticWalkGraph::SetStartTime(int mode, int64_t calendarSeconds)
{
    m_walk->startTime = mode == 0 ? 0 : mode == 1 ? static_cast<int64_t>(std::time(nullptr)) : calendarSeconds;
    ResetData();
}

void CStaticWalkGraph::AddSample(const std::array<int, 4>& values, bool live, bool replace)
{
    const CWalkGraphModel::AddResult r = m_walk->AddSample(values, live, replace);
    if (r.full)
        emit graphFull();
    if (r.grew)
        emit rangeGrown();
    if (!live)
        return;
    RequestRepaint();
    MoveMarker(m_walk->markerX);
    if (r.follow)
        emit followNewest();
}

void CStaticWalkGraph::DrawXAxis(QPainter& p)
{
    const CWalkGraphModel& m = *m_walk;
    Text(p, m.Plot().left, m.Frame().bottom + 5, QString::fromStdString(WalkTimeText(m.first, m.msPerPoint)));
    TextRight(p, m.Frame().right, m.Frame().bottom + 5, QString::fromStdString(WalkTimeText(m.last, m.msPerPoint)));
    TextCentred(p, m.Plot().left + m.Plot().Width() / 2, m.Frame().bottom + 15, "Time");
}

void CStaticWalkGraph::DrawTitle(QPainter& p)
{
    QString title = "Start time: ";
    if (m_walk->startTime != 0) {
        // Local time, as the C library's localtime gives it, on every system.
        title += QDateTime::fromSecsSinceEpoch(m_walk->startTime).toString("yyyy/MM/dd HH:mm:ss");
    }
    const int size = m_walk->TraceSize(0);
    if (size > 1)
        title += " / Elapsed time: " + QString::fromStdString(WalkTimeText(size - 1, m_walk->msPerPoint));
    Text(p, 0, 0, title);
}

} // namespace zr
