#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "graph/EditMarker.h"
#include "graph/StaticRfGraph.h"
#include "graph/StaticWalkGraph.h"

namespace zr {
namespace {

// A plot 400 wide and 255 high: P = (60, 20) to (460, 275).
CRfGraphModel Model(int points = 101)
{
    CRfGraphModel m;
    m.SetClientSize(470, 310);
    m.pointCount = points;
    m.ZeroData();
    return m;
}

TEST(RfGraph, LevelsAndIndexesLandWhereTheyShould)
{
    CRfGraphModel m = Model();
    const int h = m.Plot().Height();
    struct Case {
        int value, pane, y;
    };
    const Case cases[] = {
        {70, 0, 0}, {60, 0, 0}, {0, 0, h}, {5, 0, h}, {50, 0, (10 * h) / 55}, // clamped to 5..60
        {1, 1, h / 2 - h / 4}, {7, 1, h / 2 - h / 4}, {0, 1, h - h / 4}, {-3, 1, h - h / 4}, // yes/no
    };
    for (const auto& c : cases)
        EXPECT_EQ(m.LevelToY(c.value, c.pane), c.y) << c.value << " pane " << c.pane;

    EXPECT_EQ(m.IndexToX(0), 60);
    EXPECT_EQ(m.IndexToX(100), 460);
    EXPECT_EQ(m.IndexToX(50), 260);
    m.first = m.last = 0; // one point: the right edge
    EXPECT_EQ(m.IndexToX(0), 460);
    m.first = 0, m.last = 15;
    m.style[0] = kStyleBars; // sixteen bars: centred in their sixteenths
    EXPECT_EQ(m.IndexToX(0), 60 + 12);
    EXPECT_EQ(m.IndexToX(15), 460 - 12);
}

TEST(RfGraph, NearestPointZoomAndScroll)
{
    CRfGraphModel m = Model();
    EXPECT_EQ(m.NearestIndex(61).second, 0);
    EXPECT_EQ(m.NearestIndex(62).second, 0); // exactly half-way: the lower index
    EXPECT_EQ(m.NearestIndex(63).second, 1);
    EXPECT_EQ(m.NearestIndex(9999), std::make_pair(460, 100));

    struct Case {
        int first, last, marker, mode, newFirst, newLast;
        bool changed;
    };
    const Case cases[] = {
        {0, 100, 10, 0, 0, 50, true},     // centred on the marker, shifted right to start at 0
        {0, 100, 90, 0, 50, 100, true},   // ... or left to end at the last point
        {0, 100, 50, 0, 25, 75, true},
        {20, 21, 20, 0, 20, 21, false},   // already at the minimum span
        {40, 60, 50, 1, 30, 70, true},    // zoom out
        {0, 100, 50, 1, 0, 100, false},   // no more points to show
    };
    for (const auto& c : cases) {
        m.first = c.first, m.last = c.last;
        m.markerX = m.IndexToX(c.marker);
        const auto w = m.Zoom(c.mode);
        EXPECT_EQ(std::make_tuple(w.first, w.last, w.changed), std::make_tuple(c.newFirst, c.newLast, c.changed)) << c.first << ".." << c.last;
    }
    m.first = 10, m.last = 30;
    EXPECT_EQ(m.ScrollBy(-15).first, 0);
    EXPECT_EQ(m.last, 20);
    EXPECT_FALSE(m.ScrollBy(-1).changed);
    const auto end = m.ScrollBy(500);
    EXPECT_EQ(std::make_pair(end.first, end.last), std::make_pair(80, 100));
}

TEST(RfGraph, StoreRules)
{
    CRfGraphModel m = Model(4);
    EXPECT_TRUE(m.StoreValue(1, 40));
    EXPECT_FALSE(m.StoreValue(1, 30)); // same index again, lower: kept
    EXPECT_TRUE(m.StoreValue(2, 10));
    EXPECT_TRUE(m.StoreValue(1, 30));  // another index came between: stored
    EXPECT_FALSE(m.StoreValue(9, 50)); // outside the trace
    m.storeMode = 1;                   // peak hold
    EXPECT_FALSE(m.StoreValue(2, 5));
    EXPECT_TRUE(m.StoreValue(2, 15));
    m.storeMode = 0, m.storeVariant = 1;
    EXPECT_TRUE(m.StoreValue(2, 1));
    EXPECT_EQ(m.ValueAt(0, 2), 1);
}

TEST(RfGraph, ScanLineEndsCountOnlyOnTheChannelGraph)
{
    CStaticSpScanGraph spectrum;
    CStaticChScanGraph channel;
    for (CStaticRfGraph* g : {static_cast<CStaticRfGraph*>(&spectrum), static_cast<CStaticRfGraph*>(&channel)}) {
        g->resize(470, 310);
        g->Model().SetClientSize(470, 310);
        g->Model().pointCount = 16;
        g->Model().ZeroData();
    }
    spectrum.SetScanPosition(0);
    channel.SetScanPosition(0);
    EXPECT_EQ(spectrum.Model().scanLineX, -1);
    EXPECT_EQ(channel.Model().scanLineX, channel.Model().IndexToX(0));
    spectrum.SetScanPosition(5);
    EXPECT_EQ(spectrum.Model().scanLineX, spectrum.Model().IndexToX(5));
}

TEST(RfGraph, MarkerReportsTheValuesWithTheMove)
{
    CStaticSpScanGraph g;
    g.resize(470, 310);
    g.SetRange(606000, 606250, 25); // 11 points
    g.ResetData();
    std::vector<MarkerList> reports;
    QObject::connect(&g, &CStaticRfGraph::markerMoved, [&](const MarkerList& l) { reports.push_back(l); });
    g.MoveMarker(g.Model().IndexToX(4) + 3);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].points[0].index, 4);
    EXPECT_EQ(reports[0].points[0].value, 0);
    g.MoveMarker(g.Model().IndexToX(4)); // same place, same values: nothing
    EXPECT_EQ(reports.size(), 1u);
    g.StoreValue(4, 45); // a new value under the marker: the read-out follows
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].points[0].value, 45);
    EXPECT_EQ(reports[0].points[0].value, 0); // the first report kept its own values
}

// Pixels where the painting puts them.
TEST(RfGraph, PaintsGridTracesMarkerAndTitle)
{
    CStaticSpScanGraph g;
    g.resize(470, 310);
    g.SetRange(606000, 606250, 25);
    g.ResetData();
    g.Model().markerX = g.Model().IndexToX(3);
    g.Model().StoreValue(5, 70); // clamped to the top edge
    QImage image;
    g.Render(image);
    ASSERT_EQ(image.size(), QSize(470, 310));
    const CRfGraphModel& m = g.Model();
    EXPECT_EQ(image.pixelColor(m.markerX, m.Plot().top + 100), QColor(255, 127, 0)); // marker line
    EXPECT_EQ(image.pixelColor(m.markerX, m.Plot().bottom + 3), QColor(255, 127, 0)); // its triangle
    EXPECT_EQ(image.pixelColor(m.IndexToX(5), m.Plot().top), QColor(0, 0, 255));     // trace 0 at 60 dBuV
    EXPECT_EQ(image.pixelColor(m.Frame().left, m.Plot().top + 40), QColor(127, 127, 127)); // frame
    const int gridY = m.Plot().top + (m.Plot().Height() * 10) / 55; // 50 dBuV
    int black = 0;
    for (int x = m.Plot().left; x < m.Plot().left + 40; ++x)
        black += image.pixelColor(x, gridY) == QColor(0, 0, 0);
    EXPECT_GT(black, 5); // dotted
    EXPECT_LT(black, 35);
    EXPECT_EQ(image.pixelColor(200, 150), QColor(255, 255, 255));
}

TEST(WalkGraph, GrowsToAnHourAndFollowsTheNewestSample)
{
    CWalkGraphModel m;
    m.SetClientSize(470, 310);
    m.ResetData();
    EXPECT_EQ(m.pointCount, 1201);
    for (int i = 0; i < 1201; ++i)
        EXPECT_FALSE(m.AddSample({50, 40, 0, 1}, true, false).grew) << i;
    EXPECT_EQ(m.pointCount, 1201); // indices 0 to 1200
    // Each further sample grows the range to reach it: the newest is never out of reach.
    for (int n = 1202; n <= 1204; ++n) {
        EXPECT_TRUE(m.AddSample({50, 40, 0, 1}, true, false).grew);
        EXPECT_EQ(m.pointCount, n);
        EXPECT_EQ(m.pointCount, m.TraceSize(0));
    }

    CWalkGraphModel follow;
    follow.ResetData();
    for (int i = 0; i < 601; ++i)
        EXPECT_FALSE(follow.AddSample({1, 1, 0, 0}, true, false).follow);
    EXPECT_TRUE(follow.AddSample({1, 1, 0, 0}, true, false).follow); // index 601 = last + 1
    follow.AddSample({9, 9, 1, 1}, true, true);                         // replaces the newest
    EXPECT_EQ(follow.TraceSize(0), 602);
    EXPECT_EQ(follow.ValueAt(0, 601), 9);

    CWalkGraphModel full;
    full.ResetData();
    for (auto& t : full.traces)
        t.assign(kWalkGraphMaxSamples, 1);
    EXPECT_TRUE(full.AddSample({1, 1, 0, 0}, true, false).full);
    EXPECT_TRUE(full.AddSample({1, 1, 0, 0}, true, false).full); // and again
    EXPECT_EQ(full.TraceSize(0), kWalkGraphMaxSamples);
    EXPECT_FALSE(full.AddSample({1, 1, 0, 0}, false, false).full); // playback has no limit
}

TEST(WalkGraph, TimeTextsBothWays)
{
    EXPECT_EQ(WalkTimeText(600, 100), "000:01:00.000");
    EXPECT_EQ(WalkTimeText(1334, 100), "000:02:13.400");
    EXPECT_EQ(WalkTimeText(36001, 0), "001:00:00.100"); // no rate: 100 ms
    struct Case {
        const char* text;
        int64_t index;
    };
    const Case cases[] = {{"1:00:00.000", 36000}, {"5", 180000}, {"0:0:0.99", 0}, {"000:02:13.400", 1334}, {"-1:00:00.000", 0}, {"", 0},
                         // Typed far past the end: the largest index, never an overflow.
                         {"99999999999999999999:00:00.000", 2147483647}, {"9223372036854775807:59:59.999", 2147483647}, {"1:9999999999999:0.0", 2147483647}};
    for (const auto& c : cases)
        EXPECT_EQ(WalkTimeToIndex(c.text, 100), c.index) << c.text;

    CStaticWalkGraph g;
    g.resize(470, 310);
    g.SetStartTime(0);
    g.AddSample({50, 40, 0, 0}, false, false);
    QImage image;
    g.Render(image); // the title with one point reads "Start time: " alone; it paints
    EXPECT_EQ(g.Paints(), 1);
}

// The marker edit's keys: a table per kind of box.
TEST(Markers, KeysMoveClampAlignAndReport)
{
    struct Case {
        const char* kind;
        int minimum, maximum, step;
        const char *text;
        int key;
        const char* newText; // nullptr: the key is not handled at all
        int code;
    };
    const Case cases[] = {
        {"ch", 0, 15, 1, "F", kKeyRight, "F", kStayedAtMaximum},
        {"ch", 0, 15, 1, "0", kKeyLeft, "0", kStayedAtMinimum},
        {"ch", 0, 15, 1, "7", kKeyRight, "8", kMarkerChanged},
        {"ch", 0, 15, 1, "7", kKeyEnter, nullptr, 0},
        {"ch", 0, 15, 1, "7", kKeyDelete, nullptr, 0},
        {"ch", 0, 15, 1, "7", kKeyHome, nullptr, 0},
        {"sp", 606000, 636000, 125, "606.100", kKeyRight, "606.125", kMarkerChanged},
        {"sp", 606000, 636000, 125, "610.000", kKeyHome, "636.000", kMarkerChanged},
        {"sp", 606000, 636000, 125, "610.000", kKeyEnd, "606.000", kMarkerChanged},
        {"sp", 606000, 636000, 125, "606.300", kKeyPageDown, "606.000", kMarkerChanged},
        {"sp", 606000, 636000, 125, "606.000", kKeyPageDown, "606.000", kStayedAtMinimum},
        {"sp", 606000, 636000, 125, "606.000", kKeyEnter, "606.000", kMarkerChanged},
        {"walk", 0, 36001, 1, "000:01:00.000", kKeyRight, "000:01:00.100", kMarkerChanged},
        {"walk", 0, 36001, 1, "000:01:00.000", kKeyUp, nullptr, 0},
    };
    for (const auto& c : cases) {
        std::unique_ptr<CEditMarker> box;
        if (std::string(c.kind) == "ch")
            box = std::make_unique<CEditChMarker>();
        else if (std::string(c.kind) == "sp")
            box = std::make_unique<CEditSpMarker>();
        else
            box = std::make_unique<CEditWalkMarker>();
        box->minimum = c.minimum, box->maximum = c.maximum, box->step = c.step;
        box->setText(c.text);
        QSignalSpy edited(box.get(), &CEditMarker::edited);
        box->ProcessKey(c.key);
        if (!c.newText) {
            EXPECT_EQ(edited.count(), 0) << c.kind << " " << c.text << " key " << c.key;
            EXPECT_EQ(box->text(), c.text);
            continue;
        }
        EXPECT_EQ(box->text(), c.newText) << c.kind << " " << c.text << " key " << c.key;
        ASSERT_EQ(edited.count(), 1);
        EXPECT_EQ(edited.at(0).at(0).toInt(), c.code) << c.kind << " " << c.text << " key " << c.key;
    }
    // Typing goes nowhere: the box is moved by keys alone.
    CEditChMarker box;
    box.maximum = 15;
    box.setText("3");
    QTest::keyClicks(&box, "9");
    EXPECT_EQ(box.text(), "3");
    QTest::keyClick(&box, Qt::Key_Right);
    EXPECT_EQ(box.text(), "4");
}

// The Start and Stop boxes step on Up and Down as on Right and Left (the
// marker box does not); a held arrow button speeds up as Windows' does.
TEST(Markers, UpDownBoxesStepOnUpAndDownAndAccelerateWhenHeld)
{
    for (bool upDown : {true, false}) {
        CEditSpMarker box;
        box.minimum = 606000, box.maximum = 636000, box.step = 25;
        box.upDownKeys = upDown;
        box.setText("610.000");
        QTest::keyClick(&box, Qt::Key_Up);
        QTest::keyClick(&box, Qt::Key_Up);
        QTest::keyClick(&box, Qt::Key_Down);
        EXPECT_EQ(box.text(), upDown ? "610.025" : "610.000") << upDown;
    }
    // Read-only to an accessibility client as well: its text is refused, the keys still move it.
    CEditSpMarker marker;
    marker.minimum = 606000, marker.maximum = 636000, marker.step = 25;
    marker.setText("610.000");
    QAccessibleInterface* outside = QAccessible::queryAccessibleInterface(&marker);
    ASSERT_NE(outside, nullptr);
    EXPECT_EQ(outside->editableTextInterface(), nullptr);
    EXPECT_TRUE(outside->state().readOnly);
    outside->setText(QAccessible::Value, "999.999");
    EXPECT_EQ(outside->text(QAccessible::Value), "610.000");
    EXPECT_EQ(marker.text(), "610.000");
    QTest::keyClick(&marker, Qt::Key_Right);
    EXPECT_EQ(marker.text(), "610.025");

    const std::pair<int64_t, int> held[] = {{0, 1}, {1999, 1}, {2000, 5}, {4999, 5}, {5000, 20}, {600000, 20}};
    for (const auto& [ms, steps] : held)
        EXPECT_EQ(UpDownStepsHeld(ms), steps) << ms;
}

TEST(Markers, ButtonPairKeys)
{
    QWidget dialog;
    auto* left = new CMarkerButton("<", &dialog);
    auto* right = new CMarkerButton(">", &dialog);
    QSignalSpy leftClicks(left, &QPushButton::clicked), rightClicks(right, &QPushButton::clicked);
    struct Case {
        CMarkerButton* button;
        int key;
        int leftClicks, rightClicks;
    };
    const Case cases[] = {
        {left, kKeyEnter, 1, 0},  {right, kKeyEnter, 1, 1}, // Enter clicks the button itself
        {right, kKeyRight, 1, 2}, {left, kKeyLeft, 2, 2},   // the arrow away from the pair clicks
        {left, kKeyRight, 2, 2},  {right, kKeyLeft, 2, 2},  // the arrow into the pair only moves the focus
        {left, kKeyUp, 2, 2},
    };
    for (const auto& c : cases) {
        HandleMarkerButtonKey(c.button, c.key, left, right);
        EXPECT_EQ(leftClicks.count(), c.leftClicks) << c.key;
        EXPECT_EQ(rightClicks.count(), c.rightClicks) << c.key;
    }

    // Real key presses, as a held key repeats them: the focus stays where the
    // rule puts it and never wanders on to a neighbour, as Qt's arrows would.
    QObject::connect(left, &CMarkerButton::keyPressed, &dialog, [&](int key) { HandleMarkerButtonKey(left, key, left, right); });
    QObject::connect(right, &CMarkerButton::keyPressed, &dialog, [&](int key) { HandleMarkerButtonKey(right, key, left, right); });
    auto* layout = new QHBoxLayout(&dialog);
    auto* before = new QPushButton("before", &dialog);
    auto* after = new QPushButton("after", &dialog);
    for (QWidget* w : {static_cast<QWidget*>(before), static_cast<QWidget*>(left), static_cast<QWidget*>(right), static_cast<QWidget*>(after)})
        layout->addWidget(w);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    right->setFocus();
    const int rightBefore = rightClicks.count(), leftBefore = leftClicks.count();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(right, Qt::Key_Right);
    EXPECT_EQ(rightClicks.count(), rightBefore + 5);
    EXPECT_TRUE(right->hasFocus());
    QTest::keyClick(right, Qt::Key_Left);
    EXPECT_TRUE(left->hasFocus());
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(left, Qt::Key_Left);
    EXPECT_EQ(leftClicks.count(), leftBefore + 5);
    EXPECT_TRUE(left->hasFocus());
}

} // namespace
} // namespace zr
