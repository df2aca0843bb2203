#include "run/interruption.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "run/output_file.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"
#include "support/files.hpp"
#include "support/temp_folder.hpp"

namespace tessaro::testing {
namespace {

// Runs `body` in a child process whose standard error goes to err.txt in the
// working directory; the child never returns into the test. The wait status.
int in_child(const std::function<void()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, STDERR_FILENO);
    try {
      body();
    } catch (const RunEnd& end) {
      _exit(end.status);
    } catch (...) {
      _exit(99);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

bool ended_by(int status, int signal_number) { return WIFSIGNALED(status) && WTERMSIG(status) == signal_number; }

TEST(Interruption, SignalRemovesTheRunsTemporaryFilesAndEndsTheRunBySignal) {
  const struct {
    int signal_number;
    std::string message;
  } cases[] = {
      {SIGINT, " Run interrupted by SIGINT, program stop\n"},
      {SIGTERM, " Run interrupted by SIGTERM, program stop\n"},
      {SIGHUP, " Run interrupted by SIGHUP, program stop\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    TempFolder folder;
    const int status = in_child([&] {
      install_interrupt_handlers();
      tessaro::Run run;
      {
        OutputFile done(run, "done.cube");
        done.stream() << "complete\n";
        done.commit();
      }
      OutputFile cube(run, "rdg.cube"), grd(run, "rdg.grd");
      cube.stream() << std::string(3 << 20, 'x');  // past the buffer: on disk
      raise(c.signal_number);
    });
    EXPECT_TRUE(ended_by(status, c.signal_number)) << "wait status " << status;
    EXPECT_EQ(read_file("err.txt"), c.message);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"done.cube", "err.txt"}));
  }
}

// Without the handler a file-size limit kills the run with SIGXFSZ and no
// word; ignored, the write fails and the run names the file and the reason.
TEST(Interruption, FileSizeLimitIsAFailedWrite) {
  TempFolder folder;
  const int status = in_child([] {
    install_interrupt_handlers();
    const rlimit limit{64 << 10, 64 << 10};
    setrlimit(RLIMIT_FSIZE, &limit);
    tessaro::Run run;
    OutputFile cube(run, "big.cube");
    cube.stream() << std::string(256 << 10, 'x');
    cube.commit();
  });
  ASSERT_TRUE(WIFEXITED(status)) << "wait status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(read_file("err.txt"), " big.cube file cannot be written (File too large), program stop\n");
  EXPECT_EQ(folder.names(), (std::set<std::string>{"err.txt"}));
}

// The program installs the handler itself: the built program, blocked
// reading its template from a pipe, is ended by SIGTERM with the message.
TEST(Interruption, ProgramEndsWithTheMessageWhenTerminated) {
  TempFolder folder;
  ASSERT_EQ(mkfifo("t.inp", 0600), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, STDERR_FILENO);
    execl(TESSARO_BINARY, "tessaro", "t.inp", static_cast<char*>(nullptr));
    _exit(127);
  }
  // The pipe opens for writing once the program has opened it for reading,
  // which it does after installing the handlers.
  int writer = -1;
  for (int tries = 0; tries < 5000 && writer < 0; ++tries) {
    writer = open("t.inp", O_WRONLY | O_NONBLOCK);
    if (writer < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_GE(writer, 0) << "the program never opened its template";
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  if (writer >= 0) close(writer);
  EXPECT_TRUE(ended_by(status, SIGTERM)) << "wait status " << status;
  EXPECT_EQ(read_file("err.txt"), " Run interrupted by SIGTERM, program stop\n");
}

}  // namespace
}  // namespace tessaro::testing
