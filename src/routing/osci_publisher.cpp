#include "routing/osci_publisher.h"

#include "base/mlog.h"
#include "platform/kobjects.h"

OsciPublisher::OsciPublisher() = default;

OsciPublisher::~OsciPublisher() {
    Close();
}

bool OsciPublisher::Create() {
    Close();
    event_ = platform::NamedEvent::Create(kOsciEventName, false, false);
    if (!event_) {
        LogError("create osci event");
    }
    if (block_.Create(kOsciBlockName, kOsciBlockSize) != kShmSuccess) {
        block_.Close();
    }
    return event_ != nullptr && block_.IsOpen();
}

void OsciPublisher::Close() {
    block_.Close();
    event_.reset();
}

bool OsciPublisher::Publish(const void* samples, std::uint32_t bytes) {
    if (!event_ || !block_.IsOpen() || bytes > block_.Size() - sizeof bytes) {
        return false;
    }
    if (!block_.Lock()) {
        return false;
    }
    block_.WriteAt(&bytes, sizeof bytes, 0);
    block_.WriteAt(samples, bytes, sizeof bytes);
    event_->Pulse();
    block_.Unlock();
    return true;
}
