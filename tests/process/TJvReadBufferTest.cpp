// The reader's shared buffer: how it grows, when it drops, and when the reader has to
// post a notification.

#include "process/TJvReadBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace ondrevo {
namespace {

std::string Piece(char fill, std::size_t n = 1024)
{
    return std::string(n, fill);
}

TEST(TJvReadBuffer, GrowsByDoublingTo131072ThenDropsWhatWasNotTaken)
{
    TJvReadBuffer buffer;
    std::vector<std::size_t> capacities;
    for (int i = 0; i < 128; ++i) {
        buffer.Append(Piece(static_cast<char>('A' + i % 26)).data(), 1024);
        if (capacities.empty() || capacities.back() != buffer.Capacity())
            capacities.push_back(buffer.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<std::size_t> { 1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072 }));
    EXPECT_EQ(buffer.Buffered(), 131072u);
    EXPECT_EQ(buffer.Dropped(), 0u);

    // Full at the largest size and nobody takes: after the wait for room, the old bytes
    // go and the new ones are stored from the start, the later ones after them. (That
    // the later ones do not wait again is the pace bench/runner_memory reports.)
    buffer.Append(Piece('x', 10).data(), 10);
    buffer.Append(Piece('y', 1024).data(), 1024);
    buffer.Append(Piece('z', 5).data(), 5);
    EXPECT_EQ(buffer.Dropped(), 131072u);
    EXPECT_EQ(buffer.Capacity(), 131072u);
    char out[2048];
    ASSERT_EQ(buffer.Take(out, sizeof out), 1039u);
    EXPECT_EQ(std::string(out, 1039), Piece('x', 10) + Piece('y') + Piece('z', 5));
}

TEST(TJvReadBuffer, TakesFromTheFrontInOrderAcrossTheWrap)
{
    TJvReadBuffer buffer;
    std::string stored;
    const auto append = [&](char fill, std::size_t n) {
        buffer.Append(Piece(fill, n).data(), n);
        stored += Piece(fill, n);
    };
    append('a', 1024);
    append('b', 1000);
    EXPECT_EQ(buffer.Capacity(), 2048u);
    char out[1500];
    ASSERT_EQ(buffer.Take(out, sizeof out), sizeof out);
    EXPECT_EQ(std::string(out, sizeof out), stored.substr(0, sizeof out));
    append('c', 1000); // 24 bytes at the end of the storage, the rest at its start
    EXPECT_EQ(buffer.Capacity(), 2048u);
    std::string taken(out, sizeof out);
    while (const std::size_t n = buffer.Take(out, 1024)) {
        EXPECT_LE(n, 1024u);
        taken.append(out, n);
    }
    EXPECT_EQ(taken, stored);
}

TEST(TJvReadBuffer, ReadsGoStraightIntoFreeRoom)
{
    TJvReadBuffer buffer;
    std::size_t room = 0;
    char* place = buffer.Reserve(room);
    ASSERT_EQ(room, 1024u);
    std::memcpy(place, "hello", 5);
    EXPECT_TRUE(buffer.Commit(5));
    // A full piece would not fit beside the 5 bytes: the buffer grows before the read.
    place = buffer.Reserve(room);
    EXPECT_EQ(buffer.Capacity(), 2048u);
    EXPECT_EQ(room, 2043u);
    std::memcpy(place, " world", 6);
    EXPECT_FALSE(buffer.Commit(6));
    char out[16];
    ASSERT_EQ(buffer.Take(out, sizeof out), 11u);
    EXPECT_EQ(std::string(out, 11), "hello world");

    // Full at the largest size with nobody taking: no room is offered, and nothing is
    // dropped until new bytes arrive through Append.
    while (buffer.Capacity() < 131072u || buffer.Buffered() + 1024 <= 131072u)
        buffer.Append(Piece('f').data(), 1024);
    EXPECT_EQ(buffer.Reserve(room), nullptr);
    EXPECT_EQ(buffer.Dropped(), 0u);
    buffer.Append("new", 3);
    EXPECT_EQ(buffer.Buffered(), 3u);
    EXPECT_GT(buffer.Dropped(), 0u);
}

TEST(TJvReadBuffer, OneNotificationOutstandingAtATime)
{
    TJvReadBuffer buffer;
    EXPECT_TRUE(buffer.Append("a", 1));
    EXPECT_FALSE(buffer.Append("b", 1)); // the first notice will find this too
    char out[8];
    EXPECT_EQ(buffer.Take(out, sizeof out), 2u);
    EXPECT_FALSE(buffer.Append("c", 1)); // still outstanding: the UI has not seen empty yet
    EXPECT_EQ(buffer.Take(out, sizeof out), 1u);
    EXPECT_EQ(buffer.Take(out, sizeof out), 0u); // empty: the notice is handled
    EXPECT_TRUE(buffer.Append("d", 1));
}

} // namespace
} // namespace ondrevo
