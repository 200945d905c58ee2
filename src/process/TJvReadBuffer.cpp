#include "process/TJvReadBuffer.h"

#include <algorithm>
#include <cstring>

namespace ondrevo {

TJvReadBuffer::TJvReadBuffer() : storage_(new char[kInitialCapacity]) {}

bool TJvReadBuffer::Append(const char* data, std::size_t n)
{
    std::unique_lock lock(mutex_);
    if (fill_ + n > capacity_ && capacity_ > kLastDoublingAt && !stalled_ && !interrupted_) {
        readerWaiting_ = true;
        if (!room_.wait_for(lock, kRoomWait, [&] { return fill_ + n <= capacity_ || interrupted_; }))
            stalled_ = true;
        readerWaiting_ = false;
    }
    if (fill_ + n > capacity_) {
        if (capacity_ <= kLastDoublingAt) {
            const std::size_t grown = capacity_ * 2;
            std::unique_ptr<char[]> bigger(new char[grown]);
            std::memcpy(bigger.get(), storage_.get() + head_, fill_);
            storage_ = std::move(bigger);
            capacity_ = grown;
            head_ = 0;
        } else {
            dropped_ += fill_;
            head_ = 0;
            fill_ = 0;
        }
    }
    // Taking advances head_ instead of moving the rest to the front each time; the
    // bytes are moved only when the free room is behind them.
    if (head_ + fill_ + n > capacity_) {
        std::memmove(storage_.get(), storage_.get() + head_, fill_);
        head_ = 0;
    }
    std::memcpy(storage_.get() + head_ + fill_, data, n);
    fill_ += n;
    if (notificationOutstanding_)
        return false;
    notificationOutstanding_ = true;
    return true;
}

std::size_t TJvReadBuffer::Take(char* out, std::size_t max)
{
    std::lock_guard lock(mutex_);
    if (fill_ == 0) {
        notificationOutstanding_ = false;
        return 0;
    }
    const std::size_t n = std::min(max, fill_);
    std::memcpy(out, storage_.get() + head_, n);
    head_ += n;
    fill_ -= n;
    if (fill_ == 0)
        head_ = 0;
    stalled_ = false;
    if (readerWaiting_)
        room_.notify_one();
    return n;
}

void TJvReadBuffer::Interrupt()
{
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    room_.notify_one();
}

std::size_t TJvReadBuffer::Capacity() const
{
    std::lock_guard lock(mutex_);
    return capacity_;
}

std::size_t TJvReadBuffer::Buffered() const
{
    std::lock_guard lock(mutex_);
    return fill_;
}

std::size_t TJvReadBuffer::Dropped() const
{
    std::lock_guard lock(mutex_);
    return dropped_;
}

} // namespace ondrevo
