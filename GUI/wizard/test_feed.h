// TestFeed: what a wizard page needs of the running test stream on the GUI thread. A timer
// hands the samples the stream played or recorded to the page's oscilloscope and turns the
// stream's "test ended" notice, which may come from the engine thread, into the signal
// testEnded on the GUI thread.
#pragma once

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>

#include "teststream/test_stream.h"

class OSCI;

class TestFeed : public QObject, public TestStreamReceiver {
    Q_OBJECT

public:
    // Between two reads of the stream; as often as the oscilloscope repaints, or more.
    static constexpr int kFeedMs = 50;

    // The feed reads stream and draws into scope; both must outlive it. GUI thread.
    TestFeed(TestStream& stream, OSCI& scope, QObject* parent = nullptr);
    ~TestFeed() override;

    // Becomes the stream's receiver and starts feeding. GUI thread.
    void Start();
    // Stops feeding and stops being the stream's receiver. GUI thread.
    void Stop();
    bool IsFeeding() const { return timer_.isActive(); }

    // Only raises a flag that the timer reads. Any thread.
    void TestEnded() override;

    // One round of the timer: scope samples, then the ended notice (public for tests).
    void Feed();

signals:
    // The stream's test ended by itself. GUI thread.
    void testEnded();

private:
    TestStream& stream_;
    OSCI& scope_;
    QTimer timer_;
    std::atomic<bool> ended_{false};
    std::unique_ptr<std::int16_t[]> samples_;
};
