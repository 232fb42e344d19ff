// Times jobs made of commands, interleaved so that a noisy machine affects
// every job alike, and reports medians, ratios and peak memory.
//
//   process_timer <runs> --job NAME [--setup CMD]... --run CMD [--run CMD]...
//                        [--job ...]
//
// Each round runs every job once, in the order given. A job's setup commands
// run untimed before its timed commands. Commands are split at blanks and
// started directly (PATH is searched), with no shell. Peak memory is the
// largest resident set of any timed command, from wait4.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Job {
  std::string name;
  std::vector<std::string> setup, run;
  std::vector<double> seconds;
  long peakKiB = 0;
};

// Runs one command to its end; returns its peak resident set in KiB, or -1
// if it couldn't be started or failed.
long Run(const std::string& command) {
  std::istringstream words(command);
  std::vector<std::string> argv;
  for (std::string word; words >> word;) argv.push_back(word);
  std::vector<char*> pointers;
  for (std::string& word : argv) pointers.push_back(&word[0]);
  pointers.push_back(nullptr);
  // What the commands print would only get in the way of the table.
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int spawned = posix_spawnp(&pid, pointers[0], &quiet, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return -1;
  int status;
  rusage usage;
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0)
    return -1;
  return usage.ru_maxrss;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s <runs> --job NAME [--setup CMD]... --run CMD...\n", argv[0]);
    return 2;
  }
  int runs = std::atoi(argv[1]);
  std::vector<Job> jobs;
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--job") jobs.push_back(Job{argv[i + 1], {}, {}, {}, 0});
    else if (jobs.empty()) return 2;
    else if (option == "--setup") jobs.back().setup.push_back(argv[i + 1]);
    else if (option == "--run") jobs.back().run.push_back(argv[i + 1]);
    else return 2;
  }
  for (int round = 0; round < runs; ++round) {
    for (Job& job : jobs) {
      for (const std::string& command : job.setup)
        if (Run(command) < 0) {
          std::fprintf(stderr, "setup failed: %s\n", command.c_str());
          return 1;
        }
      auto start = std::chrono::steady_clock::now();
      for (const std::string& command : job.run) {
        long kib = Run(command);
        if (kib < 0) {
          std::fprintf(stderr, "failed: %s\n", command.c_str());
          return 1;
        }
        job.peakKiB = std::max(job.peakKiB, kib);
      }
      job.seconds.push_back(
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
  }
  std::printf("%-28s %10s %10s %10s %12s\n", "job", "median ms", "min ms", "max ms", "peak RSS MiB");
  for (const Job& job : jobs)
    std::printf("%-28s %10.3f %10.3f %10.3f %12.1f\n", job.name.c_str(),
                1e3 * Median(job.seconds),
                1e3 * *std::min_element(job.seconds.begin(), job.seconds.end()),
                1e3 * *std::max_element(job.seconds.begin(), job.seconds.end()),
                job.peakKiB / 1024.0);
  for (std::size_t i = 1; i < jobs.size(); ++i)
    std::printf("ratio %s / %s: %.3f\n", jobs[0].name.c_str(), jobs[i].name.c_str(),
                Median(jobs[0].seconds) / Median(jobs[i].seconds));
  return 0;
}
