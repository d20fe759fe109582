#include "graph/PlanGraph.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace zr {

namespace {

const QColor kShare(170, 170, 170);
const QColor kChosen(0, 0, 255);
const QColor kKept(0, 150, 0);
const QColor kProduct(255, 127, 0);
constexpr int kLeft = 44, kRight = 10, kTop = 10, kBottom = 46, kTickHeight = 8;

// A grid step of 1, 2 or 5 times a power of ten (MHz) giving about `wanted` lines.
double GridStepMhz(double spanMhz, int wanted)
{
    const double raw = spanMhz / std::max(1, wanted);
    const double power = std::pow(10.0, std::floor(std::log10(raw > 0 ? raw : 1)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power)
            return m * power;
    return 10 * power;
}

} // namespace

double PlanX(int64_t khz, int startKhz, int stopKhz, double width)
{
    if (stopKhz <= startKhz)
        return 0;
    return static_cast<double>(khz - startKhz) * width / (stopKhz - startKhz);
}

CPlanGraph::CPlanGraph(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(320, 180);
}

void CPlanGraph::SetBand(int startKhz, int stopKhz)
{
    m_startKhz = startKhz, m_stopKhz = stopKhz;
    update();
}

void CPlanGraph::SetOccupancy(std::vector<int> khz, std::vector<double> share)
{
    m_occupancyKhz = std::move(khz), m_share = std::move(share);
    update();
}

void CPlanGraph::SetCarriers(std::vector<int> chosenKhz, std::vector<int> keptKhz)
{
    m_chosen = std::move(chosenKhz), m_kept = std::move(keptKhz);
    update();
}

void CPlanGraph::SetProducts(std::vector<int64_t> khz)
{
    m_products = std::move(khz);
    update();
}

QImage CPlanGraph::Image()
{
    QImage image(size(), QImage::Format_RGB32);
    QPainter p(&image);
    Paint(p, rect());
    return image;
}

void CPlanGraph::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    Paint(p, rect());
}

void CPlanGraph::Paint(QPainter& p, const QRect& area)
{
    p.fillRect(area, Qt::white);
    const QRect plot(kLeft, kTop, std::max(1, area.width() - kLeft - kRight), std::max(1, area.height() - kTop - kBottom));
    const auto x = [&](int64_t khz) { return plot.left() + PlanX(khz, m_startKhz, m_stopKhz, plot.width()); };
    const auto y = [&](double share) { return plot.bottom() - share * plot.height(); };

    // The grid: busy share in quarters, frequency in round MHz.
    p.setPen(QPen(QColor(220, 220, 220), 1));
    for (int q = 0; q <= 4; ++q) {
        const int gy = static_cast<int>(std::lround(y(q / 4.0)));
        p.drawLine(plot.left(), gy, plot.right(), gy);
    }
    p.setPen(Qt::black);
    for (int q = 0; q <= 4; ++q)
        p.drawText(QRect(0, static_cast<int>(y(q / 4.0)) - 8, kLeft - 4, 16), Qt::AlignRight | Qt::AlignVCenter, QString::number(q * 25) + "%");
    if (m_stopKhz > m_startKhz) {
        const double step = GridStepMhz((m_stopKhz - m_startKhz) / 1000.0, std::max(2, plot.width() / 90));
        const int stepKhz = std::max(1, static_cast<int>(std::lround(step * 1000)));
        for (int64_t f = (m_startKhz + stepKhz - 1) / stepKhz * static_cast<int64_t>(stepKhz); f <= m_stopKhz; f += stepKhz) {
            const int gx = static_cast<int>(std::lround(x(f)));
            p.setPen(QPen(QColor(220, 220, 220), 1));
            p.drawLine(gx, plot.top(), gx, plot.bottom());
            p.setPen(Qt::black);
            // Labels stay inside the widget, the last one right-aligned to its line.
            const int labelLeft = std::clamp(gx - 40, 0, std::max(0, area.width() - 80));
            p.drawText(QRect(labelLeft, plot.bottom() + kTickHeight + 2, 80, 16), gx - 40 == labelLeft ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(f / 1000.0, 'f', stepKhz % 1000 ? 3 : 0));
        }
    }
    // The unit under the first frequency's label, clear of it.
    p.drawText(QRect(plot.left(), plot.bottom() + kTickHeight + 18, plot.width(), 16), Qt::AlignCenter, "Frequency [MHz]");

    // How busy each frequency was.
    if (!m_share.empty()) {
        QPolygonF area;
        area << QPointF(x(m_occupancyKhz.front()), plot.bottom());
        for (std::size_t i = 0; i < m_share.size() && i < m_occupancyKhz.size(); ++i)
            area << QPointF(x(m_occupancyKhz[i]), y(std::clamp(m_share[i], 0.0, 1.0)));
        area << QPointF(x(m_occupancyKhz.back()), plot.bottom());
        p.setPen(Qt::NoPen);
        p.setBrush(kShare);
        p.drawPolygon(area);
    }

    // Products as ticks below the plot; carriers over it.
    p.setPen(QPen(kProduct, 1));
    for (int64_t f : m_products)
        if (f >= m_startKhz && f <= m_stopKhz) {
            const double px = x(f);
            p.drawLine(QPointF(px, plot.bottom() + 1), QPointF(px, plot.bottom() + kTickHeight));
        }
    const auto drawCarriers = [&](const std::vector<int>& carriers, const QColor& colour) {
        p.setPen(QPen(colour, 2));
        for (int f : carriers)
            p.drawLine(QPointF(x(f), plot.top()), QPointF(x(f), plot.bottom()));
    };
    drawCarriers(m_kept, kKept);
    drawCarriers(m_chosen, kChosen);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
}

} // namespace zr
