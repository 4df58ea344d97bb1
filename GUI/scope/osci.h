// OSCI: the oscilloscope view. Producers hand it 16-bit sample blocks from any thread
// (SetData); the next repaint draws all of them as one trace over the centre line and empties the
// queue. A 100 ms timer, started at the first paint, repaints the view and, when nothing emptied
// the queue for more than 5 seconds (the view is hidden), empties it.
//
// Accessible as an animation named "Oscilloscope" unless the owner sets another name.
#pragma once

#include <QColor>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class CSkinParser;

class OSCI : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 100;
    static constexpr int64_t kFlushSeconds = 5;
    using SecondsClock = std::function<int64_t()>;

    explicit OSCI(QWidget* parent = nullptr);
    ~OSCI() override;

    // Copies count samples into a new block at the end of the queue. Any thread.
    void SetData(const int16_t* samples, int count);

    // Reads position (pair), size, region, color_background, color_foreground and applies
    // position, size and region. False when the section is missing.
    bool LoadSkin(CSkinParser& parser, const char* section, int index = -1);

    void SetColors(const QColor& background, const QColor& foreground);
    QColor BackgroundColor() const { return background_; }
    QColor ForegroundColor() const { return foreground_; }
    void SetRegion(const QRegion& region);

    // The clock of the 5-second flush, in whole seconds (tests inject their own).
    void SetClock(SecondsClock clock);
    // Samples waiting for the next paint.
    std::size_t QueuedSamples() const;
    bool TimerRunning() const { return timer_.isActive(); }
    // What the timer does every 100 ms (public for tests).
    void Tick();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor background_{0, 0, 0};
    QColor foreground_{0, 204, 0};
    QRegion region_;
    QTimer timer_;
    SecondsClock clock_;
    int64_t lastFlush_ = 0; // seconds; written on the window thread only

    mutable std::mutex mutex_;
    std::vector<std::vector<int16_t>> queue_; // guarded by mutex_
};
