#pragma once
// The bytes a reading thread has read and the UI side has not taken yet. Its capacity
// starts at 1024 bytes and doubles while it is at most 65536 (so 1024, 2048, ...,
// 131072); when a full buffer of the largest size gets more, everything not yet taken
// is dropped and the new bytes are stored from the start, so a stalled UI never makes
// memory grow. Dropping is meant for a UI that has stopped taking output, not for one
// that is a few milliseconds late (descheduled on a busy machine): a full buffer makes
// the reader wait up to kRoomWait for the UI to take something before it drops, and
// once the UI has missed that, the reader drops without waiting until the UI takes
// again, so a stalled UI never blocks the child. It also remembers whether a notification to the UI is outstanding, so
// the reader posts at most one at a time.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

namespace ondrevo {

class TJvReadBuffer {
public:
    static constexpr std::size_t kPieceSize = 1024;
    static constexpr std::size_t kInitialCapacity = 1024;
    static constexpr std::size_t kLastDoublingAt = 65536;
    static constexpr std::chrono::milliseconds kRoomWait { 100 };

    TJvReadBuffer();

    // Reading thread, reading straight into the buffer: Reserve() makes room for a full
    // piece (growing, or waiting for the UI) and returns where the next read may put up
    // to `room` bytes; the UI side never touches that place. It returns nullptr when
    // only dropping would make room: nothing is dropped before there is something new to
    // store, so the reader then reads elsewhere and uses Append(). Commit() adds what the
    // read stored. Commit() and Append() return true when the caller must post a
    // notification (none was outstanding); the notification then counts as posted.
    char* Reserve(std::size_t& room);
    bool Commit(std::size_t n);
    // Reading thread: stores n bytes in pieces of at most kPieceSize, each under the
    // growth and drop rule.
    bool Append(const char* data, std::size_t n);
    // UI side: moves up to `max` bytes from the front into `out`. Returns 0 when the
    // buffer is empty, and the outstanding notification counts as handled then.
    std::size_t Take(char* out, std::size_t max);
    // Ends a reader's wait for room at once, now and later (the reader is told to end).
    void Interrupt();

    std::size_t Capacity() const;
    std::size_t Buffered() const;
    // Bytes dropped because the UI side did not take them in time.
    std::size_t Dropped() const;

private:
    // Applies the growth rule (and the drop rule when allowed) so that n more bytes fit.
    void MakeRoom(std::unique_lock<std::mutex>& lock, std::size_t n, bool mayDrop);
    // Copies the first n bytes not yet taken, which may wrap round the end of storage_.
    void CopyOut(char* out, std::size_t n) const;

    mutable std::mutex mutex_;
    std::condition_variable room_;
    std::unique_ptr<char[]> storage_;
    std::size_t capacity_ = kInitialCapacity;
    std::size_t head_ = 0; // first byte not yet taken; moved back to 0 only by the reader
    std::size_t fill_ = 0; // bytes not yet taken
    std::size_t dropped_ = 0;
    bool notificationOutstanding_ = false;
    bool stalled_ = false; // the UI missed a wait for room and has not taken since
    bool interrupted_ = false;
    bool readerWaiting_ = false;
};

} // namespace ondrevo
