// Threads that render a draw's bands, kept for as long as the device so that a draw does not
// start and end threads of its own: on a virtual machine that alone costs some 50 microseconds
// per thread and draw.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::d3d9 {

class BandWorkers {
 public:
  BandWorkers() = default;
  BandWorkers(const BandWorkers&) = delete;
  BandWorkers& operator=(const BandWorkers&) = delete;
  ~BandWorkers();

  // Runs job(band) for every band from 0 to bands - 1 and returns when all have finished: band 0
  // on the calling thread, the others on the kept threads (started when first needed).
  void run(unsigned bands, const std::function<void(unsigned)>& job);

 private:
  void serve(unsigned band);

  std::mutex runs_;  // one run at a time, should two threads draw on one device at once
  std::mutex mutex_;
  std::condition_variable start_, finished_;
  std::vector<std::thread> threads_;  // thread i renders band i + 1
  const std::function<void(unsigned)>* job_ = nullptr;
  std::uint64_t round_ = 0;  // counts the runs, so that each thread takes each run once
  unsigned bands_ = 0;
  unsigned running_ = 0;  // bands of this run still being rendered on kept threads
  bool stopping_ = false;
};

}  // namespace platform::d3d9
