#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Bounded first-in first-out store of received bytes, a ring of kCapacity bytes.
// Every stored byte is handed out once, in arrival order. Not synchronised: the owner locks.
//
// When kCapacity bytes are waiting, further bytes are dropped (and counted) rather than
// overwriting any waiting byte. To keep lines whole, the store then goes on dropping up to
// the next line feed. The line cut by the overflow (when the last stored byte was not itself
// a line feed) gets a line feed in place of the lost part, stored before anything else as
// soon as there is room. So the cut line comes out shortened, and every later line comes out
// intact unless the store is full when it arrives.
class ReceiveStore {
  public:
    static constexpr std::size_t kCapacity = 65536;

    // Stores one byte; false when it was dropped.
    bool Put(char byte);
    // Hands out the oldest waiting byte; false when none waits.
    bool Take(char& byte);
    // Drops every waiting byte, and a line being dropped after an overflow ends with them.
    void DiscardUnread();
    // As DiscardUnread, appending the waiting bytes to out.
    void TakeAll(std::string& out);

    std::size_t Unread() const { return writePosition_ - readPosition_; }
    std::uint64_t DroppedCount() const { return droppedCount_; }

  private:
    static_assert((kCapacity & (kCapacity - 1)) == 0, "the ring indexes by masking");

    bool StoreAt(char byte);

    std::array<char, kCapacity> bytes_{};
    // Running counts of bytes stored and taken, modulo 2^32; the ring index is the low bits.
    std::uint32_t writePosition_ = 0;
    std::uint32_t readPosition_ = 0;
    bool resynchronising_ = false;  // dropping the rest of a line that lost a byte
    bool lineFeedOwed_ = false;     // the cut line's end waits for room
    bool lastStoredWasLineFeed_ = true;
    std::uint64_t droppedCount_ = 0;
};
