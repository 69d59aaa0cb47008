// portable: no platform headers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "foundation/config_store.h"
#include "platform/path.h"
#include "search/search_request.h"

namespace ostrya {

// The content tests of one run on worker threads. The walk hands over files in listing order and
// takes their verdicts back in the same order, so the rows come out as one thread gives them.
// Each worker prepares the query for itself (an expression's match data is its own) and reads
// files through a buffer of its own.
class ContentPool {
 public:
  // `text` and `options` as the run prepares them; `stopRequests` is the run's stop word.
  ContentPool(const char* text, uint32_t options, unsigned workers,
              const std::atomic<uint32_t>& stopRequests);
  ~ContentPool();
  ContentPool(const ContentPool&) = delete;
  ContentPool& operator=(const ContentPool&) = delete;

  // False when no worker could be started: the run then tests files itself.
  bool running() const { return !workers_.empty(); }
  // How many files may wait for their verdicts at once.
  std::size_t capacity() const { return jobs_.size(); }
  // Queues the file at `path`; at most capacity() tickets are ever outstanding (submitted and
  // not taken back).
  std::size_t submit(const char* path);
  // The verdict of a ticket, once its test is over. Tickets are taken back in order by one
  // thread, which tests waiting files with `content` meanwhile.
  ContentVerdict take(std::size_t ticket, ContentTest& content);

  // The number of workers a run starts: `setting`, or with 0 one per processor, at most 64.
  static unsigned workerCount(unsigned setting);

 private:
  struct Job {
    char path[platform::kMaxPath];
    ContentVerdict verdict;
    bool done;
  };

  void work(const char* text, uint32_t options);

  const std::atomic<uint32_t>& stopRequests_;
  std::vector<Job> jobs_;
  std::mutex lock_;
  std::condition_variable queued_;
  std::condition_variable finished_;
  std::size_t submitted_ = 0;
  std::size_t started_ = 0;
  bool closing_ = false;
  bool takerWaits_ = false;
  char path_[platform::kMaxPath];  // the taker's copy of a path it tests
  std::vector<std::thread> workers_;
};

// The thread count the settings give ("SearchThreads" in the program's section; 0 or none: one
// per processor).
unsigned searchThreadsSetting(ConfigStore& config);

}  // namespace ostrya
