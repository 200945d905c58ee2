#include "process/TJvReadBuffer.h"

#include <algorithm>
#include <cstring>

namespace ondrevo {

TJvReadBuffer::TJvReadBuffer() : storage_(new char[kInitialCapacity]) {}

bool TJvReadBuffer::Append(const char* data, std::size_t n)
{
    // One lock for a whole read: the reader reads more than a piece per call when the
    // pipe holds more, and the pieces are stored one by one.
    std::unique_lock lock(mutex_);
    for (std::size_t offset = 0; offset < n; offset += kPieceSize)
        StorePiece(lock, data + offset, std::min(kPieceSize, n - offset));
    if (notificationOutstanding_ || n == 0)
        return false;
    notificationOutstanding_ = true;
    return true;
}

void TJvReadBuffer::StorePiece(std::unique_lock<std::mutex>& lock, const char* data, std::size_t n)
{
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
            CopyOut(bigger.get(), fill_);
            storage_ = std::move(bigger);
            capacity_ = grown;
            head_ = 0;
        } else {
            dropped_ += fill_;
            head_ = 0;
            fill_ = 0;
        }
    }
    // A ring: taking advances head_, storing writes behind the last byte, wrapping round.
    const std::size_t tail = (head_ + fill_) % capacity_;
    const std::size_t first = std::min(n, capacity_ - tail);
    std::memcpy(storage_.get() + tail, data, first);
    std::memcpy(storage_.get(), data + first, n - first);
    fill_ += n;
}

void TJvReadBuffer::CopyOut(char* out, std::size_t n) const
{
    const std::size_t first = std::min(n, capacity_ - head_);
    std::memcpy(out, storage_.get() + head_, first);
    std::memcpy(out + first, storage_.get(), n - first);
}

std::size_t TJvReadBuffer::Take(char* out, std::size_t max)
{
    std::lock_guard lock(mutex_);
    if (fill_ == 0) {
        notificationOutstanding_ = false;
        return 0;
    }
    const std::size_t n = std::min(max, fill_);
    CopyOut(out, n);
    head_ = (head_ + n) % capacity_;
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
