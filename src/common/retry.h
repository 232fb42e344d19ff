// Trying again what another process may hold for a moment: Git's index lock
// while an IDE or another build runs Git, a file that a virus scanner, an
// indexer or an editor has just opened.
#ifndef REVSTAMP_COMMON_RETRY_H_
#define REVSTAMP_COMMON_RETRY_H_

#include <algorithm>
#include <chrono>
#include <thread>

/// Calls `attempt(lastTry)` until it returns true. Between tries it pauses,
/// 10 ms at first and twice as long each time, up to half a second; the try
/// made once `bound` has passed since the first is the last, and is told so.
/// So it gives up after about `bound`, plus what the tries themselves take.
template <typename Attempt>
void RetryFor(std::chrono::milliseconds bound, Attempt attempt) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + bound;
  std::chrono::milliseconds pause(10);
  for (;;) {
    Clock::time_point now = Clock::now();
    bool lastTry = now >= deadline;
    if (attempt(lastTry) || lastTry) return;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(500));
  }
}

#endif  // REVSTAMP_COMMON_RETRY_H_
