// portable: no platform headers.
#include "search/content_pool.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "regex/regex_search.h"
#include "search/brief_wait.h"
#include "search/content_test.h"

namespace ostrya {
namespace {

// Files a worker may be ahead of the walk; enough that small files keep every worker busy.
constexpr std::size_t kJobsPerWorker = 16;
constexpr unsigned kMostWorkers = 64;

}  // namespace

ContentPool::ContentPool(const char* text, uint32_t options, unsigned workers,
                         const std::atomic<uint32_t>& stopRequests)
    : stopRequests_(stopRequests), jobs_(std::size_t{std::max(workers, 1u)} * kJobsPerWorker) {
  // Each worker holds a copy of the text: the run's field may change while it works. A system
  // that gives fewer threads than asked runs with those it gave.
  const std::string copied(text);
  try {
    workers_.reserve(std::max(workers, 1u));
    for (unsigned i = 0; i < std::max(workers, 1u); ++i)
      workers_.emplace_back([this, copied, options] { work(copied.c_str(), options); });
  } catch (const std::exception&) {
  }
}

ContentPool::~ContentPool() {
  {
    std::lock_guard hold(lock_);
    closing_ = true;
  }
  queued_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

std::size_t ContentPool::submit(const char* path) {
  std::size_t ticket;
  {
    std::lock_guard hold(lock_);
    ticket = submitted_++;
    Job& job = jobs_[ticket % jobs_.size()];
    std::strncpy(job.path, path, sizeof job.path - 1);
    job.path[sizeof job.path - 1] = '\0';
    job.done = false;
  }
  queued_.notify_one();
  return ticket;
}

// Rather than sleep while its file waits unstarted, the caller tests the oldest files no worker
// has started, up to its own: a folder of few files is then not waiting on wake-ups. Once a
// worker has its file, it waits for that verdict and no longer.
ContentVerdict ContentPool::take(std::size_t ticket, ContentTest& content) {
  std::unique_lock hold(lock_);
  Job& wanted = jobs_[ticket % jobs_.size()];
  while (!wanted.done) {
    if (started_ > ticket) {
      takerWaits_ = true;
      waitBriefly(hold, finished_, [&wanted] { return wanted.done; });
      takerWaits_ = false;
      break;
    }
    Job& job = jobs_[started_++ % jobs_.size()];
    std::memcpy(path_, job.path, sizeof path_);
    hold.unlock();
    const ContentVerdict verdict = content.test(path_);
    hold.lock();
    job.verdict = verdict;
    job.done = true;
  }
  return wanted.verdict;
}

void ContentPool::work(const char* text, uint32_t options) {
  std::unique_ptr<RegexPattern> pattern;
  if ((options & kOptRegex) != 0)
    pattern = compilePattern(text, (options & kOptCaseSensitive) != 0);
  const ContentQuery query = prepareContent(text, options, pattern.get());
  FileContentTest content(query, FileContentTest::kDefaultChunkSize, &stopRequests_);
  char path[platform::kMaxPath];
  for (;;) {
    std::size_t ticket;
    {
      std::unique_lock hold(lock_);
      waitBriefly(hold, queued_, [this] { return closing_ || started_ < submitted_; });
      // A pool that closes has no one left to take verdicts.
      if (closing_) return;
      ticket = started_++;
      std::memcpy(path, jobs_[ticket % jobs_.size()].path, sizeof path);
    }
    const ContentVerdict verdict = content.test(path);
    bool wake;
    {
      std::lock_guard hold(lock_);
      Job& job = jobs_[ticket % jobs_.size()];
      job.verdict = verdict;
      job.done = true;
      wake = takerWaits_;
    }
    if (wake) finished_.notify_one();
  }
}

unsigned ContentPool::workerCount(unsigned setting) {
  if (setting == 0) setting = std::max(std::thread::hardware_concurrency(), 1u);
  return std::min(setting, kMostWorkers);
}

unsigned searchThreadsSetting(ConfigStore& config) {
  return config.getNumber("Ostrya", "SearchThreads", 0);
}

}  // namespace ostrya
