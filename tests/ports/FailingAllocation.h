#pragma once

namespace porttest {

// While one lives, every operator new on the thread that made it throws std::bad_alloc.
class FailingAllocations {
  public:
    FailingAllocations();
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};

}  // namespace porttest
