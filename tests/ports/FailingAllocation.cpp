#include "FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {

thread_local bool allocationsFail = false;

}  // namespace

namespace porttest {

FailingAllocations::FailingAllocations() {
    allocationsFail = true;
}

FailingAllocations::~FailingAllocations() {
    allocationsFail = false;
}

}  // namespace porttest

void* operator new(std::size_t size) {
    void* block = allocationsFail ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
