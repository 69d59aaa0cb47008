// portable: no platform headers.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace ostrya {

// Waits for `ready` under `hold`, yielding the processor a few times before sleeping: handing
// over a small file takes microseconds, a sleep and a wake-up many more, and the threads of a
// run hand over thousands of files.
template <class Ready>
void waitBriefly(std::unique_lock<std::mutex>& hold, std::condition_variable& wake, Ready ready) {
  constexpr int kYields = 256;
  for (int i = 0; i < kYields && !ready(); ++i) {
    hold.unlock();
    std::this_thread::yield();
    hold.lock();
  }
  wake.wait(hold, ready);
}

}  // namespace ostrya
