// The reader's shared buffer: how it grows, when it drops, and when the reader has to
// post a notification.

#include "process/TJvReadBuffer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace ondrevo {
namespace {

std::string Piece(char fill, std::size_t n = 1024) { return std::string(n, fill); }

TEST(TJvReadBuffer, GrowsByDoublingTo131072ThenDropsWhatWasNotTaken)
{
    TJvReadBuffer buffer;
    std::vector<std::size_t> capacities;
    for (int i = 0; i < 128; ++i) {
        buffer.Append(Piece(static_cast<char>('A' + i % 26)).data(), 1024);
        if (capacities.empty() || capacities.back() != buffer.Capacity())
            capacities.push_back(buffer.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<std::size_t> {1024, 2048, 4096, 8192, 16384, 32768, 65536, 131072}));
    EXPECT_EQ(buffer.Buffered(), 131072u);
    EXPECT_EQ(buffer.Dropped(), 0u);

    // Full at the largest size and nobody takes: after the wait for room, the old bytes
    // go and the new ones are stored from the start; later ones follow without waiting.
    const auto started = std::chrono::steady_clock::now();
    buffer.Append(Piece('x', 10).data(), 10);
    buffer.Append(Piece('y', 1024).data(), 1024);
    buffer.Append(Piece('z', 5).data(), 5);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10 * TJvReadBuffer::kRoomWait);
    EXPECT_EQ(buffer.Dropped(), 131072u);
    EXPECT_EQ(buffer.Capacity(), 131072u);
    char out[2048];
    ASSERT_EQ(buffer.Take(out, sizeof out), 1039u);
    EXPECT_EQ(std::string(out, 1039), Piece('x', 10) + Piece('y') + Piece('z', 5));
}

TEST(TJvReadBuffer, TakesFromTheFrontInOrder)
{
    TJvReadBuffer buffer;
    buffer.Append("abcdef", 6);
    char out[4];
    ASSERT_EQ(buffer.Take(out, 4), 4u);
    EXPECT_EQ(std::string(out, 4), "abcd");
    buffer.Append(Piece('g', 1020).data(), 1020); // fits only when moved to the front
    EXPECT_EQ(buffer.Capacity(), 1024u);
    std::string all;
    while (const std::size_t n = buffer.Take(out, sizeof out))
        all.append(out, n);
    EXPECT_EQ(all, "ef" + Piece('g', 1020));
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
