// The receive store under any mix of puts, takes and discards, floods past its capacity
// included. Checks: bytes come out once and in order; a byte is refused only when the store is
// full or its line has already lost a byte; a line that lost nothing comes out whole, a line
// that lost bytes comes out as the part stored or not at all, and no line is made up.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "protocol/ReceiveStore.h"

namespace {

constexpr std::size_t kCapacity = ReceiveStore::kCapacity;

struct SentLine {
    std::string text;  // without its line feed
    std::size_t stored = 0;
    bool lost = false;
    bool closed = false;
    bool cutByDiscard = false;
};

class Checker {
  public:
    Checker() { sent_.emplace_back(); }

    void Put(char byte) {
        SentLine& line = sent_.back();
        const std::size_t before = store_->Unread();
        const bool stored = store_->Put(byte);
        const std::size_t after = store_->Unread();
        FUZZ_CHECK(after <= kCapacity);
        if (stored) {
            FUZZ_CHECK(after > before);
            FUZZ_CHECK(!line.lost || byte == '\n');  // the end of the cut line
        } else {
            ++refused_;
            FUZZ_CHECK(after == kCapacity || line.lost);
            line.lost = true;
        }
        if (byte == '\n') {
            line.closed = true;
            sent_.emplace_back();
        } else {
            line.text.push_back(byte);
            line.stored += stored ? 1 : 0;
        }
        FUZZ_CHECK(store_->DroppedCount() == refused_);
    }

    void Take(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t waiting = store_->Unread();
            char byte = 0;
            const bool taken = store_->Take(byte);
            FUZZ_CHECK(taken == (waiting > 0));
            if (!taken) {
                return;
            }
            FUZZ_CHECK(store_->Unread() == waiting - 1);
            if (byte == '\n') {
                MatchLine();
                received_.clear();
            } else {
                received_.push_back(byte);
            }
        }
    }

    void Discard() {
        store_->DiscardUnread();
        FUZZ_CHECK(store_->Unread() == 0);
        // What was taken of the current line and what follows no longer meet: skip that line.
        sent_.clear();
        sent_.emplace_back();
        sent_.back().cutByDiscard = true;
        received_.clear();
    }

    // Everything stored comes out, and no line that lost nothing stays behind.
    void Finish() {
        Take(kCapacity + 1);
        FUZZ_CHECK(store_->Unread() == 0);
        for (const SentLine& line : sent_) {
            FUZZ_CHECK(!line.closed || line.lost || line.cutByDiscard);
        }
    }

  private:
    void MatchLine() {
        while (!sent_.empty() && sent_.front().closed && sent_.front().lost &&
               sent_.front().stored == 0) {
            sent_.pop_front();
        }
        FUZZ_CHECK(!sent_.empty());
        const SentLine line = sent_.front();
        FUZZ_CHECK(line.closed || line.cutByDiscard);
        if (!line.cutByDiscard) {
            FUZZ_CHECK(received_ == line.text.substr(0, line.stored));
            FUZZ_CHECK(line.lost || line.stored == line.text.size());
        }
        sent_.pop_front();
        if (sent_.empty()) {
            sent_.emplace_back();
        }
    }

    std::unique_ptr<ReceiveStore> store_ = std::make_unique<ReceiveStore>();
    std::deque<SentLine> sent_;
    std::string received_;
    std::uint64_t refused_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    Checker checker;
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 4)) {
            case 0: {  // a few bytes from the input
                for (const char byte : input.ConsumeRandomLengthString(32)) {
                    checker.Put(byte);
                }
                break;
            }
            case 1: {  // a flood of lines of one length, enough to fill the store
                const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(1, 40);
                const std::size_t total =
                    input.ConsumeIntegralInRange<std::size_t>(0, kCapacity + 64);
                for (std::size_t i = 0; i < total; ++i) {
                    checker.Put(i % length == length - 1 ? '\n' : static_cast<char>('a' + i % 23));
                }
                break;
            }
            case 2:
                checker.Take(input.ConsumeIntegralInRange<std::size_t>(0, 64));
                break;
            case 3:
                checker.Take(input.ConsumeIntegralInRange<std::size_t>(0, kCapacity + 1));
                break;
            default:
                checker.Discard();
                break;
        }
    }
    checker.Finish();
    return 0;
}
