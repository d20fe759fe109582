#pragma once
// The Walk Test's time graph: RF levels A and B above, sync and data errors
// below, against elapsed time; grows while a live test runs.
#include "graph/StaticRfGraph.h"
#include "graph/WalkGraphModel.h"

namespace zr {

class CStaticWalkGraph : public CStaticRfGraph {
    Q_OBJECT
public:
    explicit CStaticWalkGraph(QWidget* parent = nullptr);
    CWalkGraphModel& Walk() { return *m_walk; }
    const CWalkGraphModel& Walk() const { return *m_walk; }

    void DrawXAxis(QPainter& p) override;
    void DrawTitle(QPainter& p) override;
    void ResetData() override;
    void InitSettings() override;
    // mode 0: no start time; 1: now; 2: `calendarSeconds`. Then ResetData.
    void SetStartTime(int mode, int64_t calendarSeconds = 0);
    // values: RF A, RF B, sync error, data error. Live samples repaint and
    // may ask the dialog to follow; playback only stores.
    void AddSample(const std::array<int, 4>& values, bool live, bool replace);

signals:
    void rangeGrown();  // the point count grew by one: the scroll range too
    void graphFull();   // live, and an hour is already held: stop the test
    void followNewest(); // the newest sample lies just right of the window

private:
    CWalkGraphModel* m_walk;
};

} // namespace zr
