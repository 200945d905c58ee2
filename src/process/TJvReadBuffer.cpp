#include "process/TJvReadBuffer.h"

#include <algorithm>
#include <cstring>

namespace ondrevo {

TJvReadBuffer::TJvReadBuffer()
    : storage_(new char[kInitialCapacity])
{
}

void TJvReadBuffer::MakeRoom(std::unique_lock<std::mutex>& lock, std::size_t n, bool mayDrop)
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
        } else if (mayDrop) {
            dropped_ += fill_;
            fill_ = 0;
        }
    }
    if (fill_ == 0)
        head_ = 0; // the whole storage is free: the next read gets the most room
}

char* TJvReadBuffer::Reserve(std::size_t& room)
{
    std::unique_lock lock(mutex_);
    MakeRoom(lock, kPieceSize, false);
    if (fill_ + kPieceSize > capacity_) {
        room = 0;
        return nullptr;
    }
    // A ring: taking advances head_, storing writes behind the last byte, wrapping round.
    // The free bytes from the tail on are contiguous up to the end or up to head_.
    const std::size_t tail = (head_ + fill_) % capacity_;
    room = tail >= head_ ? capacity_ - tail : head_ - tail;
    return storage_.get() + tail;
}

bool TJvReadBuffer::Commit(std::size_t n)
{
    std::lock_guard lock(mutex_);
    fill_ += n;
    if (notificationOutstanding_ || n == 0)
        return false;
    notificationOutstanding_ = true;
    return true;
}

bool TJvReadBuffer::Append(const char* data, std::size_t n)
{
    std::unique_lock lock(mutex_);
    for (std::size_t offset = 0; offset < n; offset += kPieceSize) {
        const std::size_t piece = std::min(kPieceSize, n - offset);
        MakeRoom(lock, piece, true);
        const std::size_t tail = (head_ + fill_) % capacity_;
        const std::size_t first = std::min(piece, capacity_ - tail);
        std::memcpy(storage_.get() + tail, data + offset, first);
        std::memcpy(storage_.get(), data + offset + first, piece - first);
        fill_ += piece;
    }
    if (notificationOutstanding_ || n == 0)
        return false;
    notificationOutstanding_ = true;
    return true;
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
