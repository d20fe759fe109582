#pragma once
// The RF-level graph shared by every tool: levels against a point index on a
// dBuV grid, a marker the user clicks or drags, and a dotted scan line.
// Data come in through the model and a few setters; the user's intent goes
// out as signals. The grid and its labels sit in a cached layer; a burst of
// new points repaints at most once per screen frame.
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "graph/RfGraphModel.h"

class QPainter;
class QPolygon;

namespace zr {

class CStaticRfGraph : public QWidget {
    Q_OBJECT
public:
    explicit CStaticRfGraph(QWidget* parent = nullptr);

    // The model, its geometry matching the widget's size.
    CRfGraphModel& Model();
    const CRfGraphModel& Model() const;

    // The slot table of the graph family.
    virtual void DrawScanLine(QPainter& p);
    virtual void DrawXAxis(QPainter& p) = 0;
    virtual void DrawTitle(QPainter& p) = 0;
    virtual void SetBank(int index);
    virtual void ResetData();
    virtual void InitSettings();

    void StoreValue(int index, int level);
    virtual void SetScanPosition(int index);
    void ClearData();
    void ZeroData();
    CRfGraphModel::Window Zoom(int mode);
    CRfGraphModel::Window ScrollBy(int delta);
    void MoveMarker(int px);
    void NotifyMarker(int index);

    // Coalesced: at most one paint per screen frame.
    void RequestRepaint();
    // Settings that change the cached grid layer (panes, size) call this.
    void InvalidateLayer() { m_layer = QImage(); }
    // Paints the whole graph into `image` (the widget's size), as on screen.
    void Render(QImage& image);
    QImage Image()
    {
        QImage image;
        Render(image);
        return image;
    }
    int Paints() const { return m_paints; }

signals:
    // The marker moved, or the values under it changed: the values go with it.
    void markerMoved(const zr::MarkerList& values);
    // "Save image..." from the graph's context menu: the window asks where.
    void saveImageRequested();

protected:
    // The graph widgets own their model: the walk graph's has more in it.
    CStaticRfGraph(QWidget* parent, CRfGraphModel* model);
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    // "Save image..." and "Copy" (to the clipboard) of the graph as it stands.
    void contextMenuEvent(QContextMenuEvent* e) override;
    // Text at a pixel position as the system draws it: the top-left corner.
    static void Text(QPainter& p, int x, int y, const QString& text);
    // Placed by the font's measured width, so nothing runs past the widget:
    // the text's right edge at `right`, or its middle at `centre`.
    static void TextRight(QPainter& p, int right, int y, const QString& text);
    static void TextCentred(QPainter& p, int centre, int y, const QString& text);
    QString PeakHoldText() const;

private:
    void BuildLayer();
    void DrawTraces(QPainter& p);
    static void DrawPolyline(QPainter& p, const QPolygon& line);
    static const QColor kShadeGrey;

    std::unique_ptr<CRfGraphModel> m_ownModel;
    CRfGraphModel* m_model;
    QImage m_layer; // background, frames, grid, y labels
    QImage m_frameImage;
    QTimer m_repaint;
    int m_paints = 0;
};

// Channel Scan: the sixteen channels of one bank as bars.
class CStaticChScanGraph : public CStaticRfGraph {
    Q_OBJECT
public:
    explicit CStaticChScanGraph(QWidget* parent = nullptr);
    void DrawXAxis(QPainter& p) override;
    void DrawTitle(QPainter& p) override;
    void SetBank(int index) override;
    void ResetData() override;
    void InitSettings() override;
    // The channel line shows at either end of the window too.
    void SetScanPosition(int index) override;
    // The bank digit of each bank index (the Channel Scan's bank list).
    void SetBankCodes(std::vector<int> codes) { m_bankCodes = std::move(codes); }
    int BankIndex() const { return m_bankIndex; }

private:
    int m_bankIndex = -1;
    std::vector<int> m_bankCodes;
};

// Spectrum Scan: a frequency range in steps.
class CStaticSpScanGraph : public CStaticRfGraph {
    Q_OBJECT
public:
    explicit CStaticSpScanGraph(QWidget* parent = nullptr);
    void DrawXAxis(QPainter& p) override;
    void DrawTitle(QPainter& p) override;
    void ResetData() override;
    void InitSettings() override;
    void SetRange(int startKhz, int stopKhz, int stepKhz);
    int StartKhz() const { return m_start; }
    int StopKhz() const { return m_stop; }
    int StepKhz() const { return m_step; }

private:
    int m_start = -1, m_stop = -1, m_step = -1;
};

// "%03d.%03d" MHz of a frequency in kHz; "000.000" at or below 0; "---.---"
// for a setting that is not set (negative).
QString SpFrequencyText(int khz, bool set = true);

} // namespace zr

Q_DECLARE_METATYPE(zr::MarkerList)
