#pragma once
// "Waterfall": a spectrum log as a picture, one row per sweep from the top
// (time runs down), frequency across, the level as colour; beside the
// viewer's curve of each frequency's highest level, it shows when a carrier
// came and went.
#include <QDialog>
#include <QImage>
#include <cstdint>
#include <vector>

namespace zr {

// The colour of a level: dark for no reading, then blue through red as it rises.
QRgb WaterfallColour(int level);

class CWaterfallDlg : public QDialog {
    Q_OBJECT
public:
    explicit CWaterfallDlg(QWidget* parent = nullptr);
    // `levels` in rows of `points`, the first row the first sweep.
    void SetData(const std::vector<uint8_t>& levels, std::size_t points, int startKhz, int stopKhz, const QString& source);
    const QImage& Picture() const { return m_picture; }
    int Rows() const { return m_picture.height(); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    QImage m_picture; // one pixel per reading
    int m_startKhz = 0, m_stopKhz = 0;
};

} // namespace zr
