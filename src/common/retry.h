// Trying again what another process may hold for a moment: Git's index lock
// while an IDE or another build runs Git, a file that a virus scanner, an
// indexer or an editor has just opened.
#ifndef REVSTAMP_COMMON_RETRY_H_
#define REVSTAMP_COMMON_RETRY_H_

#include <algorithm>
#include <chrono>
#include <thread>

/// The pause before the second try; each later one is twice the one before,
/// up to kLongestPause (NextPause). Short at first, since most holders let go
/// within milliseconds; never long, so that a release is noticed soon.
constexpr std::chrono::milliseconds kFirstPause(10);
constexpr std::chrono::milliseconds kLongestPause(500);

inline std::chrono::milliseconds NextPause(std::chrono::milliseconds pause) {
  return std::min(pause * 2, kLongestPause);
}

/// How a try ended: what it was for is done, it is to be made again, or
/// there is no point in going on.
enum class TryOutcome { kDone, kAgain, kGiveUp };

/// Calls `attempt(lastTry)` until it ends in anything but kAgain, pausing
/// between tries as NextPause says; the try made once `bound` has passed
/// since the first is the last, and is told so. So it gives up after about
/// `bound`, plus what the tries themselves take.
template <typename Attempt>
void RetryFor(std::chrono::milliseconds bound, Attempt attempt) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + bound;
  std::chrono::milliseconds pause = kFirstPause;
  for (bool lastTry = false;;) {
    if (attempt(lastTry) != TryOutcome::kAgain || lastTry) return;
    // The pause that reaches the deadline makes the next try the last, even
    // where sleeps end a little early (Windows counts whole milliseconds):
    // asking the clock again would add tries with no pause between them.
    Clock::duration left = deadline - Clock::now();
    lastTry = left <= pause;
    if (left > Clock::duration::zero())
      std::this_thread::sleep_for(std::min<Clock::duration>(pause, left));
    pause = NextPause(pause);
  }
}

#endif  // REVSTAMP_COMMON_RETRY_H_
