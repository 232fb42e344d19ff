#include "common/retry.h"

#include "test_support.h"

// What another process holds is tried again soon after it lets go (pauses
// of at most half a second), without a process started every few
// milliseconds meanwhile.
TEST(RetryTest, PausesGrowToHalfASecond) {
  std::vector<long long> pauses;
  for (auto pause = kFirstPause; pauses.size() < 8; pause = NextPause(pause))
    pauses.push_back(pause.count());
  EXPECT_EQ(pauses, (std::vector<long long>{10, 20, 40, 80, 160, 320, 500, 500}));
  // Over 600 ms, tries at 0, 10, 30, 70, 150, 310 and 600 ms at most (a busy
  // machine makes fewer; without pauses there would be thousands), the last
  // of them told so.
  int tries = 0;
  bool toldLast = false;
  RetryFor(std::chrono::milliseconds(600),
           [&](bool last) { ++tries; toldLast = last; return TryOutcome::kAgain; });
  EXPECT_TRUE(tries >= 2 && tries <= 7) << tries;
  EXPECT_TRUE(toldLast);
}
