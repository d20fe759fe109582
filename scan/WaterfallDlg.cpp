#include "scan/WaterfallDlg.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <algorithm>

#include "graph/EditMarker.h"
#include "ui/FileDialog.h"

namespace zr {

namespace {

constexpr int kMarginLeft = 10, kMarginTop = 10, kMarginRight = 10, kMarginBottom = 30;

} // namespace

QRgb WaterfallColour(int level)
{
    if (level <= 0)
        return qRgb(20, 20, 30);
    const int hue = 240 - std::clamp(level, 0, 80) * 240 / 80; // 80 dBuV and above: red
    return QColor::fromHsv(hue, 255, 255).rgb();
}

CWaterfallDlg::CWaterfallDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("waterfallDlg");
    setWindowTitle("Waterfall");
    resize(900, 600);
}

void CWaterfallDlg::SetData(const std::vector<uint8_t>& levels, std::size_t points, int startKhz, int stopKhz, const QString& source)
{
    m_startKhz = startKhz;
    m_stopKhz = stopKhz;
    const int rows = points ? static_cast<int>(levels.size() / points) : 0;
    m_picture = QImage(static_cast<int>(points), rows, QImage::Format_RGB32);
    for (int r = 0; r < rows; ++r) {
        auto* line = reinterpret_cast<QRgb*>(m_picture.scanLine(r));
        for (std::size_t p = 0; p < points; ++p)
            line[p] = WaterfallColour(levels[static_cast<std::size_t>(r) * points + p]);
    }
    setWindowTitle("Waterfall > " + source);
    update();
}

void CWaterfallDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QRect area(kMarginLeft, kMarginTop, width() - kMarginLeft - kMarginRight, height() - kMarginTop - kMarginBottom);
    if (m_picture.isNull() || area.width() <= 0 || area.height() <= 0) {
        p.drawText(rect(), Qt::AlignCenter, "No data to show.");
        return;
    }
    p.drawImage(area, m_picture); // stretched: every sweep and every frequency in the window
    p.setPen(Qt::black);
    p.drawRect(area.adjusted(0, 0, -1, -1));
    const int y = area.bottom() + 18;
    p.drawText(area.left(), y, FrequencyText(m_startKhz) + " MHz");
    const QString stop = FrequencyText(m_stopKhz) + " MHz";
    p.drawText(area.right() - p.fontMetrics().horizontalAdvance(stop), y, stop);
    p.drawText(area.left() + area.width() / 2 - 60, y, QString("%1 sweeps, time runs down").arg(m_picture.height()));
}

void CWaterfallDlg::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    QAction* save = menu.addAction("Save image...");
    if (menu.exec(e->globalPos()) == save)
        SaveImageAs(this, grab().toImage(), windowTitle());
}

} // namespace zr
