#include "graph/StaticRfGraph.h"

#include <QMouseEvent>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPolygon>

namespace zr {

namespace {

const QColor kWhite(255, 255, 255);
const QColor kFrameGrey(127, 127, 127);
const QColor kMarkerOrange(255, 127, 0);
const QColor kScanMagenta(255, 0, 255);
const QPen kTracePens[kMaxTraces] = {QPen(QColor(0, 0, 255), 1), QPen(QColor(0, 255, 0), 1), QPen(QColor(255, 0, 0), 2), QPen(QColor(0, 128, 192), 2)};
const QPen kBarPen(QColor(0, 0, 255), 3, Qt::SolidLine, Qt::FlatCap);
constexpr int kFrameMs = 16; // one screen frame

QRect ToQRect(const GraphRect& r)
{
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

} // namespace

CStaticRfGraph::CStaticRfGraph(QWidget* parent) : CStaticRfGraph(parent, new CRfGraphModel) {}

CStaticRfGraph::CStaticRfGraph(QWidget* parent, CRfGraphModel* model) : QWidget(parent), m_ownModel(model), m_model(model)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel comes from the frame image
    m_repaint.setSingleShot(true);
    m_repaint.setInterval(kFrameMs);
    connect(&m_repaint, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

CRfGraphModel& CStaticRfGraph::Model()
{
    // A hidden widget gets its resize event only when shown: follow the size here.
    const GraphRect& c = m_model->Client();
    if (c.right != width() || c.bottom != height()) {
        m_model->SetClientSize(width(), height());
        InvalidateLayer();
    }
    return *m_model;
}

const CRfGraphModel& CStaticRfGraph::Model() const
{
    return const_cast<CStaticRfGraph*>(this)->Model();
}

void CStaticRfGraph::SetBank(int) {}
void CStaticRfGraph::ResetData() {}
void CStaticRfGraph::InitSettings() {}

void CStaticRfGraph::RequestRepaint()
{
    if (!m_repaint.isActive())
        m_repaint.start();
}

void CStaticRfGraph::StoreValue(int index, int level)
{
    if (!Model().StoreValue(index, level))
        return;
    RequestRepaint();
    MoveMarker(Model().markerX); // the read-out follows a changed value
}

void CStaticRfGraph::SetScanPosition(int index)
{
    if (Model().SetScanPosition(index, false))
        RequestRepaint();
}

void CStaticRfGraph::ClearData()
{
    Model().ClearData();
    RequestRepaint();
}

void CStaticRfGraph::ZeroData()
{
    Model().ZeroData();
    RequestRepaint();
}

CRfGraphModel::Window CStaticRfGraph::Zoom(int mode)
{
    const auto w = Model().Zoom(mode);
    if (w.changed)
        RequestRepaint();
    return w;
}

CRfGraphModel::Window CStaticRfGraph::ScrollBy(int delta)
{
    const auto w = Model().ScrollBy(delta);
    if (w.changed)
        RequestRepaint();
    return w;
}

void CStaticRfGraph::MoveMarker(int px)
{
    bool moved = false;
    MarkerList report;
    if (!Model().MoveMarker(px, moved, report))
        return;
    if (moved)
        RequestRepaint();
    emit markerMoved(report);
}

void CStaticRfGraph::NotifyMarker(int index)
{
    emit markerMoved(Model().NotifyMarker(index));
}

void CStaticRfGraph::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        MoveMarker(e->position().toPoint().x());
}

void CStaticRfGraph::mouseMoveEvent(QMouseEvent* e)
{
    if (e->buttons() & Qt::LeftButton)
        MoveMarker(e->position().toPoint().x());
}

void CStaticRfGraph::resizeEvent(QResizeEvent*)
{
    Model(); // the geometry follows the new size
}

void CStaticRfGraph::Text(QPainter& p, int x, int y, const QString& text)
{
    p.drawText(QRect(x, y, 1000, 100), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

void CStaticRfGraph::TextRight(QPainter& p, int right, int y, const QString& text)
{
    Text(p, right - p.fontMetrics().horizontalAdvance(text), y, text);
}

void CStaticRfGraph::TextCentred(QPainter& p, int centre, int y, const QString& text)
{
    Text(p, centre - p.fontMetrics().horizontalAdvance(text) / 2, y, text);
}

QString CStaticRfGraph::PeakHoldText() const
{
    return Model().peakHoldTitle == 1 ? "ON" : Model().peakHoldTitle == 0 ? "OFF" : " - ";
}

void CStaticRfGraph::BuildLayer()
{
    const CRfGraphModel& m = Model();
    m_layer = QImage(size(), QImage::Format_RGB32);
    QPainter p(&m_layer);
    p.setFont(font());
    p.fillRect(m_layer.rect(), kWhite);
    p.setPen(QPen(kFrameGrey, 1));
    p.setBrush(kWhite);
    if (m.twoPane) {
        p.drawRect(ToQRect(m.Upper().Grown(1)));
        p.drawRect(ToQRect(m.Lower().Grown(1)));
    } else {
        p.drawRect(ToQRect(m.Frame()));
    }
    const GraphRect& r = m.GridRect();
    const int h = r.Height();
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    for (int g : kGridLevels) {
        const int y = r.top + (h * (60 - g)) / 55;
        p.drawLine(r.left, y, r.right, y);
    }
    // Y labels right-aligned against the plot; the axis name ("R", "F",
    // "[dBuV]") at x 5 in the gaps between the labels' rows, so the two never
    // meet whatever the font and the height.
    p.setPen(Qt::black);
    const int s = h / 6;
    const int labelRight = m.Plot().left - 4;
    const auto rowOf = [&](int level) { return r.top - 10 + (h * (60 - level)) / 55; };
    auto label = [&](int value, int y) { TextRight(p, labelRight, y, QString::number(value)); };
    label(5, r.bottom - 10);
    for (int g : kGridLevels)
        label(g, rowOf(g));
    label(60, r.bottom - 6 * s - 10);
    const int gap = (h * 10) / 55;
    Text(p, 5, rowOf(50) + gap / 2, "R");
    Text(p, 5, rowOf(40) + gap / 2, "F");
    Text(p, 5, rowOf(30) + gap / 2, "[dBuV]");
    if (m.twoPane) {
        const int t = m.Lower().Height() / 3;
        Text(p, 35, m.Lower().top, "Yes");
        Text(p, 35, m.Lower().top + 2 * t, "No");
        Text(p, 5, m.Lower().top + t, "Error");
    }
}

namespace {

// Builds a trace's polyline one point at a time. Points that fall into the
// same pixel column are reduced to where the line enters, its lowest and
// highest pixel and where it leaves: the same pixels are covered, and an
// hour of samples costs no more than the plot has columns.
class CColumnPolyline {
public:
    explicit CColumnPolyline(QPolygon& out) : m_out(out) { m_out.clear(); }
    ~CColumnPolyline() { Flush(); }
    void Add(int x, int y)
    {
        if (m_open && x == m_x) {
            m_min = std::min(m_min, y);
            m_max = std::max(m_max, y);
            m_last = y;
            return;
        }
        Flush();
        m_open = true;
        m_x = x;
        m_first = m_min = m_max = m_last = y;
    }

private:
    void Flush()
    {
        if (!m_open)
            return;
        for (int y : {m_first, m_min, m_max, m_last})
            if (m_out.isEmpty() || m_out.back() != QPoint(m_x, y))
                m_out << QPoint(m_x, y);
        m_open = false;
    }
    QPolygon& m_out;
    bool m_open = false;
    int m_x = 0, m_first = 0, m_min = 0, m_max = 0, m_last = 0;
};

} // namespace

void CStaticRfGraph::DrawTraces(QPainter& p)
{
    const CRfGraphModel& m = Model();
    if (!m.shade.empty() && m.shadeShown) {
        const GraphRect& plot = m.Plot();
        const int to = std::min(m.last, static_cast<int>(m.shade.size()) - 1);
        for (int i = std::max(m.first, 0); i <= to; ++i) {
            const int share = std::min<int>(m.shade[static_cast<std::size_t>(i)], 100);
            if (share == 0)
                continue;
            const int x = m.IndexToX(i), next = i < m.last ? m.IndexToX(i + 1) : x + 1;
            const int height = (plot.bottom - plot.top) * share / 100;
            p.fillRect(x, plot.bottom - height, std::max(1, next - x), height, kShadeGrey);
        }
    }
    QPolygon line;
    for (int t = kMaxTraces - 1; t >= 0; --t) {
        const auto ti = static_cast<std::size_t>(t);
        if (m.visible[ti] != 1)
            continue;
        const int style = m.style[ti];
        p.setPen(style == kStyleBars ? kBarPen : kTracePens[ti]);
        const int top = m.PaneRect(m.pane[ti]).top;
        const int from = std::max(m.first, 0);
        const int to = std::min(m.last, m.TraceSize(t) - 1);
        {
            CColumnPolyline column(line);
            for (int i = from; i <= to; ++i) {
                const int x = m.IndexToX(i);
                const int y = top + m.LevelToY(m.ValueAt(t, i), m.pane[ti]);
                if (style == kStyleBars) {
                    p.drawLine(x, m.Plot().bottom, x, y);
                } else if (style == kStyleSteps && i != from) {
                    column.Add(x, top + m.LevelToY(m.ValueAt(t, i - 1), m.pane[ti]));
                    column.Add(x, y);
                    column.Add(x, y - 1);
                    column.Add(x, y);
                } else {
                    column.Add(x, y);
                }
            }
        }
        if (line.size() > 1)
            DrawPolyline(p, line);
        else if (line.size() == 1)
            p.drawPoint(line.front());
    }
}

const QColor CStaticRfGraph::kShadeGrey(215, 215, 215);

void CStaticRfGraph::DrawPolyline(QPainter& p, const QPolygon& line)
{
    const QPen pen = p.pen();
    if (pen.width() != 2) {
        p.drawPolyline(line);
        return;
    }
    // A 2-pixel line as two 1-pixel ones a pixel apart: the same pixels on the
    // level and error steps, at a fraction of what stroking a wide pen costs.
    p.setPen(QPen(pen.color(), 1));
    p.drawPolyline(line);
    p.translate(1, 1);
    p.drawPolyline(line);
    p.translate(-1, -1);
    p.setPen(pen);
}

void CStaticRfGraph::DrawScanLine(QPainter& p)
{
    const CRfGraphModel& m = Model();
    if (m.scanLineX < 0)
        return;
    p.setPen(QPen(kScanMagenta, 1, Qt::DotLine));
    p.drawLine(m.scanLineX, m.Plot().top, m.scanLineX, m.Plot().bottom - 1);
}

void CStaticRfGraph::Render(QImage& image)
{
    const CRfGraphModel& m = Model();
    if (m_layer.size() != size())
        BuildLayer();
    image = m_layer.copy();
    QPainter p(&image);
    p.setFont(font());
    DrawTraces(p);
    DrawScanLine(p);
    if (m.markerX >= 0) {
        const int x = m.markerX;
        p.setPen(QPen(kMarkerOrange, 1));
        p.drawLine(x, m.Plot().top, x, m.Plot().bottom - 1);
        p.setBrush(kMarkerOrange);
        const QPoint triangle[3] = {{x, m.Plot().bottom - 1}, {x - 3, m.Plot().bottom + 5}, {x + 3, m.Plot().bottom + 5}};
        p.drawPolygon(triangle, 3);
    }
    p.setPen(Qt::black);
    DrawXAxis(p);
    DrawTitle(p);
    ++m_paints;
}

void CStaticRfGraph::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    QAction* save = menu.addAction("Save image...");
    QAction* copy = menu.addAction("Copy");
    QAction* chosen = menu.exec(e->globalPos());
    if (chosen == save) {
        emit saveImageRequested();
    } else if (chosen == copy) {
        QGuiApplication::clipboard()->setImage(Image());
    }
}

void CStaticRfGraph::paintEvent(QPaintEvent*)
{
    Render(m_frameImage);
    QPainter(this).drawImage(0, 0, m_frameImage); // one transfer
}

// ---- Channel Scan ----------------------------------------------------------

CStaticChScanGraph::CStaticChScanGraph(QWidget* parent) : CStaticRfGraph(parent) {}

void CStaticChScanGraph::InitSettings()
{
    m_bankIndex = -1;
}

void CStaticChScanGraph::SetBank(int index)
{
    m_bankIndex = index;
    ResetData();
}

void CStaticChScanGraph::ResetData()
{
    Model().pointCount = 16;
    Model().ZeroData();
    Model().storeVariant = 0;
    MoveMarker(Model().markerX);
    RequestRepaint();
}

void CStaticChScanGraph::SetScanPosition(int index)
{
    if (Model().SetScanPosition(index, true))
        RequestRepaint();
}

void CStaticChScanGraph::DrawXAxis(QPainter& p)
{
    const CRfGraphModel& m = Model();
    const int w = m.Plot().Width();
    const int n = m.pointCount;
    for (int i = 0; i < n && n > 0; ++i)
        TextCentred(p, m.Plot().left + (w * i) / n + (w / n) / 2, m.Frame().bottom + 5, QString::number(i, 16).toUpper());
    TextCentred(p, m.Plot().left + w / 2, m.Frame().bottom + 20, "Channel");
}

void CStaticChScanGraph::DrawTitle(QPainter& p)
{
    QString bank = "---";
    if (m_bankIndex >= 0)
        bank = QString::number(m_bankIndex < static_cast<int>(m_bankCodes.size()) ? m_bankCodes[static_cast<std::size_t>(m_bankIndex)] : m_bankIndex, 16)
                   .toUpper();
    Text(p, 0, 0, "Bank: " + bank + " / " + "Peak Hold: " + PeakHoldText());
}

// ---- Spectrum Scan ---------------------------------------------------------

QString SpFrequencyText(int khz, bool set)
{
    if (!set)
        return "---.---";
    if (khz <= 0)
        return "000.000";
    return QString::asprintf("%03d.%03d", khz / 1000, khz % 1000);
}

CStaticSpScanGraph::CStaticSpScanGraph(QWidget* parent) : CStaticRfGraph(parent) {}

void CStaticSpScanGraph::InitSettings()
{
    m_start = m_stop = m_step = -1;
}

void CStaticSpScanGraph::SetRange(int startKhz, int stopKhz, int stepKhz)
{
    m_start = startKhz;
    m_stop = stopKhz;
    m_step = stepKhz;
}

void CStaticSpScanGraph::ResetData()
{
    if (m_step <= 0)
        return; // no range yet: nothing to divide by
    Model().pointCount = (m_stop - m_start) / m_step + 1;
    Model().ZeroData();
    MoveMarker(Model().markerX);
    RequestRepaint();
}

void CStaticSpScanGraph::DrawXAxis(QPainter& p)
{
    const CRfGraphModel& m = Model();
    const bool set = m_step >= 0;
    Text(p, m.Plot().left, m.Frame().bottom + 5, SpFrequencyText(m.first * m_step + m_start, set));
    TextRight(p, m.Frame().right, m.Frame().bottom + 5, SpFrequencyText(m.last * m_step + m_start, set));
    TextCentred(p, m.Plot().left + m.Plot().Width() / 2, m.Frame().bottom + 15, "Frequency[MHz]");
}

void CStaticSpScanGraph::DrawTitle(QPainter& p)
{
    const QString step = m_step < 0 ? " - " : QString::number(m_step);
    Text(p, 0, 0,
         "Range: " + SpFrequencyText(m_start, m_start >= 0) + " - " + SpFrequencyText(m_stop, m_stop >= 0) + "MHz" + " / " + "Step: " + step +
             "kHz / " + "Peak Hold: " + PeakHoldText());
}

} // namespace zr
