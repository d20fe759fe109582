#pragma once
// A frequency plan over its band: how busy each frequency was (the share of
// sweeps at or above the threshold) as a grey area, the carriers as vertical
// lines (chosen blue, kept green), the intermodulation products as ticks
// along the bottom. Data come in by setters; nothing here knows a log.
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <vector>

namespace zr {

// The x of a frequency across `width` pixels for the band [startKhz, stopKhz].
double PlanX(int64_t khz, int startKhz, int stopKhz, double width);

class CPlanGraph : public QWidget {
    Q_OBJECT
public:
    explicit CPlanGraph(QWidget* parent = nullptr);

    void SetBand(int startKhz, int stopKhz);
    // Per frequency its busy share (0 to 1); `khz` and `share` of equal length.
    void SetOccupancy(std::vector<int> khz, std::vector<double> share);
    void SetCarriers(std::vector<int> chosenKhz, std::vector<int> keptKhz);
    void SetProducts(std::vector<int64_t> khz);
    int StartKhz() const { return m_startKhz; }
    int StopKhz() const { return m_stopKhz; }
    // The graph as on screen, at the widget's size.
    QImage Image();

    QSize sizeHint() const override { return {640, 260}; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void Paint(QPainter& p, const QRect& area);

    int m_startKhz = 0, m_stopKhz = 0;
    std::vector<int> m_occupancyKhz;
    std::vector<double> m_share;
    std::vector<int> m_chosen, m_kept;
    std::vector<int64_t> m_products;
};

} // namespace zr
