#include "app/worktree_lock.h"

#include "common/paths.h"
#include "test_support.h"

// Runs of one work tree wait for each other on the lock of its .git entry, a
// folder or a file, whatever process holds it.
TEST(WorkTreeLockTest, KeepsOtherProcessesOutUntilReleased) {
  TempFolder folder;
  WriteBytes(folder / "file.git", "gitdir: elsewhere\n");
  for (const char* name : {".git", "file.git"}) {
    WorkTreeLock lock;
    {
      Holder holder(folder, "hold-lock", name);
      EXPECT_FALSE(lock.Acquire((folder / name).string(), std::chrono::milliseconds(200))) << name;
    }
    EXPECT_TRUE(lock.Acquire((folder / name).string(), std::chrono::milliseconds(0))) << name;
  }
}

// Where Git keeps the index, and its lock: the .git folder, or the folder a
// .git file names (linked work trees, submodules), relative or absolute.
TEST(WorkTreeLockTest, FindsTheGitFolder) {
  TempFolder folder;
  const std::string top = WindowsPath((folder / "").string());  // as the tool names it
  fs::create_directory(folder / "git");
  EXPECT_EQ(GitFolder(top + "git"), top + "git");
  WriteBytes(folder / "link", "gitdir: ../x/.git/modules/m\r\n");
  EXPECT_EQ(GitFolder(top + "link"), top + "..\\x\\.git\\modules\\m");
}
