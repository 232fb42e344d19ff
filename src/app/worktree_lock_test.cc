#include "app/worktree_lock.h"

#include "test_support.h"

// Runs of one work tree wait for each other on the lock of its .git entry, a
// folder or a file; here another process (test_main.cc) tries to take it.
TEST(WorkTreeLockTest, KeepsOtherProcessesOutUntilReleased) {
  TempFolder folder;
  fs::create_directory(folder / ".git");
  WriteBytes(folder / "worktree.git", "gitdir: elsewhere\n");
  for (const char* name : {".git", "worktree.git"}) {
    const std::string entry = (folder / name).string();
    const std::string other = ChildCommand("lock") + " \"" + entry + "\" ";
    {
      WorkTreeLock lock;
      ASSERT_TRUE(lock.Acquire(entry, std::chrono::milliseconds(0))) << name;
      EXPECT_EQ(RunCommand(other + "200").text, "0") << name;  // waited 200 ms, in vain
    }
    EXPECT_EQ(RunCommand(other + "0").text, "1") << name;
  }
  WorkTreeLock none;
  EXPECT_FALSE(none.Acquire((folder / "none").string(), std::chrono::milliseconds(0)));
}
