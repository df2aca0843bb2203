#include "run/interruption.hpp"

#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>

namespace tessaro {

namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

// Results open at the same time: at most the six energy files of the RDG
// section in XD2 mode; the table leaves ample room.
constexpr int kSlots = 32;

struct Slot {
  volatile std::sig_atomic_t used = 0;
  char name[PATH_MAX] = {};
};

Slot slots[kSlots];

sigset_t interrupt_set() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kInterrupts) sigaddset(&set, s);
  return set;
}

// The one-line message of a run ended by `signal_number`, with its line end.
const char* interruption_message(int signal_number) {
  switch (signal_number) {
    case SIGINT:
      return " Run interrupted by SIGINT, program stop\n";
    case SIGTERM:
      return " Run interrupted by SIGTERM, program stop\n";
    case SIGHUP:
      return " Run interrupted by SIGHUP, program stop\n";
    default:
      return " Run interrupted by a signal, program stop\n";
  }
}

void on_interrupt(int signal_number) {
  for (Slot& slot : slots)
    if (slot.used != 0) unlink(slot.name);
  const char* message = interruption_message(signal_number);
  const ssize_t written = write(STDERR_FILENO, message, std::strlen(message));
  static_cast<void>(written);  // nothing more can be done about a failed write here
  // End by the same signal, so that the parent sees how the run ended.
  signal(signal_number, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);
}

}  // namespace

void install_interrupt_handlers() {
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  action.sa_mask = interrupt_set();  // one interruption at a time
  for (int s : kInterrupts) {
    // A signal ignored when the run starts (nohup, a background job) stays
    // ignored.
    struct sigaction current {};
    if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    sigaction(s, &action, nullptr);
  }
  signal(SIGXFSZ, SIG_IGN);
}

int register_temporary(const char* name) {
  const std::size_t length = std::strlen(name);
  if (length >= sizeof(Slot::name)) return -1;
  for (int i = 0; i < kSlots; ++i) {
    Slot& slot = slots[i];
    if (slot.used != 0) continue;
    std::memcpy(slot.name, name, length + 1);
    // The handler must never see a slot in use before its name is complete.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    slot.used = 1;
    return i;
  }
  return -1;
}

void release_temporary(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  slots[slot].used = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

HoldInterrupts::HoldInterrupts() {
  const sigset_t set = interrupt_set();
  pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

HoldInterrupts::~HoldInterrupts() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace tessaro
