#include "protocol/ReceiveStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr std::size_t kCapacity = 65536;  // bytes the store holds

std::size_t PutAll(ReceiveStore& store, const std::string& bytes) {
    std::size_t stored = 0;
    for (const char c : bytes) {
        stored += store.Put(c) ? 1 : 0;
    }
    return stored;
}

std::string TakeAll(ReceiveStore& store) {
    std::string bytes;
    char c = 0;
    while (store.Take(c)) {
        bytes.push_back(c);
    }
    return bytes;
}

std::string Lines(std::size_t count, std::size_t length, char first = 'a') {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text.append(length - 1, static_cast<char>(first + i % 26));
        text.push_back('\n');
    }
    return text;
}

class ReceiveStoreTest : public ::testing::Test {
  protected:
    std::unique_ptr<ReceiveStore> store_ = std::make_unique<ReceiveStore>();
};

TEST_F(ReceiveStoreTest, EveryByteOnceInOrderAcrossManyWraps) {
    std::string all;
    std::string taken;
    for (std::size_t round = 0; round < 7; ++round) {
        // Odd sizes, so that the ring's end falls inside a batch.
        const std::string batch = Lines(1000 + round, 17 + round, static_cast<char>('a' + round));
        EXPECT_EQ(PutAll(*store_, batch), batch.size());
        all += batch;
        taken += TakeAll(*store_);
    }
    EXPECT_GT(all.size(), 2 * kCapacity);
    EXPECT_TRUE(taken == all);
    EXPECT_EQ(store_->DroppedCount(), 0u);
}

TEST_F(ReceiveStoreTest, DiscardUnreadDropsExactlyTheWaitingBytes) {
    PutAll(*store_, std::string(kCapacity - 3, 'x'));
    TakeAll(*store_);
    PutAll(*store_, "0123456789");
    char c = 0;
    ASSERT_TRUE(store_->Take(c));
    EXPECT_EQ(c, '0');
    store_->DiscardUnread();
    EXPECT_EQ(store_->Unread(), 0u);
    PutAll(*store_, "AB");
    EXPECT_EQ(TakeAll(*store_), "AB");
}

TEST_F(ReceiveStoreTest, FullStoreDropsNewBytesAndEndsTheCutLineAtTheNextLineFeed) {
    // Lines of 21 bytes do not divide the capacity: the last stored line is cut. The flood
    // stops in the middle of a line.
    const std::string flood = Lines(kCapacity / 21 + 5, 21) + "head of a lost line, ";
    EXPECT_EQ(PutAll(*store_, flood), kCapacity);
    EXPECT_EQ(store_->DroppedCount(), flood.size() - kCapacity);
    EXPECT_EQ(store_->Unread(), kCapacity);

    std::string taken;
    char c = 0;
    for (int i = 0; i < 100 && store_->Take(c); ++i) {
        taken.push_back(c);
    }
    // The room now free is not used for the rest of the lost line.
    EXPECT_EQ(PutAll(*store_, "tail of a lost line"), 0u);
    PutAll(*store_, "\nwhole\n");
    taken += TakeAll(*store_);
    EXPECT_TRUE(taken == flood.substr(0, kCapacity) + "\nwhole\n");
    EXPECT_EQ(taken.substr(taken.size() - 30), (flood.substr(kCapacity - 23, 23) + "\nwhole\n"));
}

TEST_F(ReceiveStoreTest, FullAtALineEndDropsWholeLinesOnly) {
    // Lines of 16 bytes fill the store exactly.
    const std::string fill = Lines(kCapacity / 16, 16);
    const std::string lost = Lines(3, 16, 'X');
    EXPECT_EQ(PutAll(*store_, fill + lost), kCapacity);
    EXPECT_TRUE(TakeAll(*store_) == fill);
    EXPECT_EQ(PutAll(*store_, "next\n"), 5u);
    EXPECT_EQ(TakeAll(*store_), "next\n") << "no empty line in place of the lost ones";
    EXPECT_EQ(store_->DroppedCount(), lost.size());
}

TEST_F(ReceiveStoreTest, LineFeedAgainstAFullStoreEndsTheCutLineOnceRoomIsFree) {
    PutAll(*store_, std::string(kCapacity, 'y'));
    EXPECT_FALSE(store_->Put('\n'));
    EXPECT_FALSE(store_->Put('\n')) << "an empty line, lost whole";
    std::string taken;
    char c = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(store_->Take(c));
        taken.push_back(c);
    }
    // The line after the lost ones is kept, behind the cut line's end.
    EXPECT_TRUE(store_->Put('z'));
    EXPECT_TRUE(store_->Put('\n'));
    EXPECT_EQ(store_->Unread(), kCapacity);
    taken += TakeAll(*store_);
    EXPECT_TRUE(taken == std::string(kCapacity, 'y') + "\nz\n");
    EXPECT_EQ(store_->DroppedCount(), 2u);
}

TEST_F(ReceiveStoreTest, LineFeedLostAtALineEndKeepsTheNextLine) {
    // Lines of 16 bytes fill the store exactly; an empty line arrives against it.
    const std::string fill = Lines(kCapacity / 16, 16);
    EXPECT_EQ(PutAll(*store_, fill + "\n"), kCapacity);
    EXPECT_TRUE(TakeAll(*store_) == fill);
    EXPECT_EQ(PutAll(*store_, "next\n"), 5u);
    EXPECT_EQ(TakeAll(*store_), "next\n");
    EXPECT_EQ(store_->DroppedCount(), 1u);
}

TEST_F(ReceiveStoreTest, CutLineEndStillOwedWhenDiscardedIsNotStoredLater) {
    PutAll(*store_, std::string(kCapacity, 'y'));
    EXPECT_FALSE(store_->Put('\n'));
    store_->DiscardUnread();
    EXPECT_EQ(PutAll(*store_, "ab\n"), 3u);
    EXPECT_EQ(TakeAll(*store_), "ab\n");
}

}  // namespace
