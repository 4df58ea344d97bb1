#include "platform/sound/audio_backend.h"

// Posting takes only the mailbox lock and never allocates. Any thread.
void EngineMailbox::PostBuffer(BufferHeader& header, std::uint32_t message) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        header.message = message;
        header.next = nullptr;
        if (last_ != nullptr)
            last_->next = &header;
        else
            first_ = &header;
        last_ = &header;
    }
    cv_.notify_one();
}

bool EngineMailbox::Post(std::uint32_t message, std::uintptr_t param) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (ringCount_ == kRingSize)
            return false;
        ring_[(ringHead_ + ringCount_) % kRingSize] = Message{message, param};
        ++ringCount_;
    }
    cv_.notify_one();
    return true;
}

void EngineMailbox::PostQuit() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    cv_.notify_one();
}

EngineMailbox::Message EngineMailbox::Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return first_ != nullptr || ringCount_ != 0 || quit_; });
    // Device notifications first: they keep the rings turning.
    if (first_ != nullptr) {
        BufferHeader* header = first_;
        first_ = header->next;
        if (first_ == nullptr)
            last_ = nullptr;
        header->next = nullptr;
        return Message{header->message, reinterpret_cast<std::uintptr_t>(header)};
    }
    if (ringCount_ != 0) {
        Message m = ring_[ringHead_];
        ringHead_ = (ringHead_ + 1) % kRingSize;
        --ringCount_;
        return m;
    }
    return Message{kQuit, 0};
}

void EngineMailbox::Withdraw(const BufferHeader& header) {
    std::lock_guard<std::mutex> lock(mutex_);
    BufferHeader* previous = nullptr;
    for (BufferHeader* h = first_; h != nullptr; previous = h, h = h->next) {
        if (h != &header)
            continue;
        if (previous != nullptr)
            previous->next = h->next;
        else
            first_ = h->next;
        if (last_ == h)
            last_ = previous;
        h->next = nullptr;
        return;
    }
}
