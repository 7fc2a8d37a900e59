#include "platform/d3d9/band_workers.h"

namespace platform::d3d9 {

BandWorkers::~BandWorkers() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  start_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void BandWorkers::run(unsigned bands, const std::function<void(unsigned)>& job) {
  if (bands == 0) return;
  std::lock_guard oneRun(runs_);
  {
    std::lock_guard lock(mutex_);
    while (threads_.size() + 1 < bands) {
      const auto band = static_cast<unsigned>(threads_.size() + 1);
      threads_.emplace_back([this, band] { serve(band); });
    }
    job_ = &job;
    bands_ = bands;
    running_ = bands - 1;
    ++round_;
  }
  start_.notify_all();
  job(0);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return running_ == 0; });
  job_ = nullptr;
}

void BandWorkers::serve(unsigned band) {
  std::uint64_t seen = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    start_.wait(lock, [&] { return stopping_ || round_ != seen; });
    if (stopping_) return;
    seen = round_;
    if (band >= bands_) continue;  // this run has fewer bands than there are threads
    const std::function<void(unsigned)>& job = *job_;
    lock.unlock();
    job(band);
    lock.lock();
    if (--running_ == 0) finished_.notify_one();
  }
}

}  // namespace platform::d3d9
