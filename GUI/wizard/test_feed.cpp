#include "wizard/test_feed.h"

#include "scope/osci.h"

TestFeed::TestFeed(TestStream& stream, OSCI& scope, QObject* parent)
    : QObject(parent), stream_(stream), scope_(scope),
      samples_(std::make_unique<std::int16_t[]>(TestStream::kScopeSamples)) {
    timer_.setInterval(kFeedMs);
    connect(&timer_, &QTimer::timeout, this, &TestFeed::Feed);
}

TestFeed::~TestFeed() {
    Stop();
}

void TestFeed::Start() {
    ended_.store(false);
    stream_.SetReceiver(this);
    // Samples of an earlier test are not this test's.
    while (stream_.ReadScope(samples_.get(), TestStream::kScopeSamples) > 0) {
    }
    timer_.start();
}

void TestFeed::Stop() {
    timer_.stop();
    stream_.SetReceiver(nullptr);
    ended_.store(false);
}

void TestFeed::TestEnded() {
    ended_.store(true);
}

void TestFeed::Feed() {
    for (;;) {
        const std::size_t n = stream_.ReadScope(samples_.get(), TestStream::kScopeSamples);
        if (n == 0)
            break;
        scope_.SetData(samples_.get(), static_cast<int>(n));
    }
    if (ended_.exchange(false))
        emit testEnded();
}
