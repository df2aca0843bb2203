#pragma once
// A run ended from outside: Ctrl-C (SIGINT), kill (SIGTERM) or a closed
// terminal (SIGHUP). The handler removes the temporary files of the results
// being written, says why the run stopped on standard error and ends the
// process by the same signal (a shell shows 128 + its number). Everything it
// does is safe inside a signal handler: the names it removes sit in a fixed
// table of C strings, filled as each file is created and emptied once it is
// renamed or removed.
#include <signal.h>

namespace tessaro {

// Installs the handlers, and ignores SIGXFSZ: a file-size limit then makes
// the write fail with "File too large", which the run reports like any
// failed write, instead of killing the process without a word.
void install_interrupt_handlers();

// A temporary file the handler removes. Register it right after creating it
// (with the signals held back from creation to registration, see
// HoldInterrupts); release it once it is renamed or removed. A name that does
// not fit the table is not registered (register_temporary returns -1).
int register_temporary(const char* name);
void release_temporary(int slot);

// Holds SIGINT, SIGTERM and SIGHUP back while it lives, so that a file is
// never created without being registered.
class HoldInterrupts {
 public:
  HoldInterrupts();
  ~HoldInterrupts();
  HoldInterrupts(const HoldInterrupts&) = delete;
  HoldInterrupts& operator=(const HoldInterrupts&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace tessaro
