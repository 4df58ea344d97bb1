// OSCI: the drawing of the centre line and the trace, rendered off screen; the queue
// emptied by a paint, and by the timer when nothing painted for five seconds.
#include "scope/osci.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QTest>

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 22; // h = 20: the centre line at y = 10
const QColor kBack(0, 0, 0);
const QColor kFore(0, 204, 0);

QImage Render(OSCI& view) {
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The rows of column x that hold the trace colour.
std::vector<int> ForegroundRows(const QImage& image, int x) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        if (QColor(image.pixel(x, y)) == kFore)
            rows.push_back(y);
    }
    return rows;
}

// The rows of columns x1 and x2 together that hold the trace colour.
std::set<int> RowsOf(const QImage& image, int x1, int x2) {
    std::set<int> rows;
    for (int x : {x1, x2}) {
        for (int y : ForegroundRows(image, x))
            rows.insert(y);
    }
    return rows;
}

std::set<int> Range(int first, int last) {
    std::set<int> rows;
    for (int y = first; y <= last; ++y)
        rows.insert(y);
    return rows;
}

// Every pixel is the background, or the trace colour where expected says so.
::testing::AssertionResult Matches(const QImage& image,
                                   const std::function<bool(int, int)>& expectedFore) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor want = expectedFore(x, y) ? kFore : kBack;
            if (QColor(image.pixel(x, y)) != want)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is "
                       << QColor(image.pixel(x, y)).name().toStdString();
        }
    }
    return ::testing::AssertionSuccess();
}

struct View {
    View() { view.resize(kWidth, kHeight); }
    void Send(const std::vector<int16_t>& samples) {
        view.SetData(samples.data(), int(samples.size()));
    }
    OSCI view;
};

} // namespace

TEST(Osci, Defaults) {
    OSCI view;
    EXPECT_EQ(view.BackgroundColor(), kBack);
    EXPECT_EQ(view.ForegroundColor(), kFore);
    EXPECT_EQ(OSCI::kRefreshMs, 100);
}

TEST(Osci, NoDataDrawsOnlyTheCentreLine) {
    View v;
    EXPECT_TRUE(Matches(Render(v.view), [](int, int y) { return y == 10; }));
}

TEST(Osci, FullScalePositiveIsAtTheBottomNegativeAtTheTop) {
    View v;
    v.Send({32767}); // one sample fills every column
    // Polyline (0,10) -> (0,20) -> (1,20) ... (39,20).
    EXPECT_TRUE(Matches(Render(v.view), [](int x, int y) {
        return y == 10 || y == 20 || (x == 0 && y >= 10 && y <= 20);
    }));
    v.Send({-32767});
    EXPECT_TRUE(Matches(Render(v.view),
                        [](int x, int y) { return y == 10 || y == 0 || (x == 0 && y <= 10); }));
}

TEST(Osci, MoreSamplesThanColumnsAreAveraged) {
    View v;
    // 80 samples over 40 columns in two blocks, joined in arrival order: columns 0..19 average
    // +32767 pairs (y = 20), columns 20..39 -32767 pairs (y = 0).
    v.Send(std::vector<int16_t>(40, 32767));
    v.Send(std::vector<int16_t>(41, -32767)); // the 81st sample is beyond w*k: unused
    const QImage image = Render(v.view);
    EXPECT_EQ(ForegroundRows(image, 5), (std::vector<int>{10, 20}));
    EXPECT_EQ(ForegroundRows(image, 30), (std::vector<int>{0, 10}));
    // The step from column 19 to column 20 joins the bottom and the top.
    EXPECT_EQ(RowsOf(image, 19, 20), Range(0, 20));
    EXPECT_EQ(v.view.QueuedSamples(), 0u);
}

TEST(Osci, FewerSamplesThanColumnsRepeatUnchanged) {
    View v;
    // 3 samples over 40 columns: k = 13, columns 39 and on are 0 (the centre line).
    v.Send({32767, 0, -32767});
    const QImage image = Render(v.view);
    EXPECT_EQ(ForegroundRows(image, 6), (std::vector<int>{10, 20}));
    EXPECT_EQ(ForegroundRows(image, 20), (std::vector<int>{10}));
    EXPECT_EQ(ForegroundRows(image, 32), (std::vector<int>{0, 10}));
    EXPECT_EQ(RowsOf(image, 38, 39), Range(0, 10)); // back from the top to the centre
}

TEST(Osci, PaintEmptiesTheQueueAndStartsTheTimer) {
    View v;
    v.Send({1, 2, 3});
    v.Send({4});
    EXPECT_EQ(v.view.QueuedSamples(), 4u);
    EXPECT_FALSE(v.view.TimerRunning());
    Render(v.view);
    EXPECT_EQ(v.view.QueuedSamples(), 0u);
    EXPECT_TRUE(v.view.TimerRunning());
    // The next paint without data shows the centre line only.
    EXPECT_TRUE(Matches(Render(v.view), [](int, int y) { return y == 10; }));
}

TEST(Osci, TimerEmptiesTheQueueWhenNotPaintedForFiveSeconds) {
    View v;
    int64_t now = 1000;
    v.view.SetClock([&now] { return now; });
    v.Send(std::vector<int16_t>(500, 7));
    now = 1005;
    v.view.Tick(); // 5 seconds: not more than 5
    EXPECT_EQ(v.view.QueuedSamples(), 500u);
    now = 1006;
    v.view.Tick();
    EXPECT_EQ(v.view.QueuedSamples(), 0u);
    // The flush is recorded: the next one comes more than 5 seconds later.
    v.Send({1});
    now = 1011;
    v.view.Tick();
    EXPECT_EQ(v.view.QueuedSamples(), 1u);
    now = 1012;
    v.view.Tick();
    EXPECT_EQ(v.view.QueuedSamples(), 0u);
    // A paint counts as a flush.
    v.Send({1});
    now = 1017;
    Render(v.view);
    v.Send({2});
    now = 1020;
    v.view.Tick();
    EXPECT_EQ(v.view.QueuedSamples(), 1u);
}

TEST(Osci, TheRunningTimerFlushesAHiddenView) {
    View v;
    int64_t now = 50;
    v.view.SetClock([&now] { return now; });
    Render(v.view); // starts the timer
    ASSERT_TRUE(v.view.TimerRunning());
    v.Send({1, 2, 3});
    now = 56;
    QTest::qWait(3 * OSCI::kRefreshMs); // hidden: no paint, only the timer
    EXPECT_EQ(v.view.QueuedSamples(), 0u);
}

TEST(Osci, SetDataFromOtherThreadsWhilePainting) {
    View v;
    constexpr int kBlocks = 2000;
    std::atomic<int> running{2};
    std::vector<std::thread> producers;
    for (int t = 0; t < 2; ++t) {
        producers.emplace_back([&] {
            std::vector<int16_t> block(64, 1000);
            for (int i = 0; i < kBlocks; ++i) {
                v.view.SetData(block.data(), int(block.size()));
                if (i % 50 == 0)
                    std::this_thread::yield();
            }
            --running;
        });
    }
    int paints = 0;
    while (running.load() > 0 || paints == 0) {
        Render(v.view);
        ++paints;
    }
    for (auto& producer : producers)
        producer.join();
    EXPECT_EQ(v.view.QueuedSamples() % 64, 0u);
    Render(v.view);
    EXPECT_EQ(v.view.QueuedSamples(), 0u);
}

TEST(Osci, SkinColoursAndRegion) {
    View v;
    v.view.SetColors(QColor(13, 17, 23), QColor(70, 224, 138));
    const QImage image = Render(v.view);
    EXPECT_EQ(QColor(image.pixel(3, 3)), QColor(13, 17, 23));
    EXPECT_EQ(QColor(image.pixel(3, 10)), QColor(70, 224, 138));
    v.view.SetRegion(QRegion(0, 0, 20, 22));
    EXPECT_EQ(v.view.mask(), QRegion(0, 0, 20, 22));
}

TEST(Osci, AccessibleAsANamedAnimation) {
    View v;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&v.view);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Animation);
    EXPECT_EQ(iface->text(QAccessible::Name), QString("Oscilloscope"));
    v.view.setAccessibleName("Test signal");
    EXPECT_EQ(iface->text(QAccessible::Name), QString("Test signal"));
}
