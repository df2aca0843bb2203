#include "run/output_file.hpp"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <streambuf>
#include <vector>

#include "run/input_file.hpp"
#include "run/interruption.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"

namespace tessaro {

namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

// Characters of the random part of a temporary name: twelve of them give
// about 71 bits, more than anyone can guess or fill the folder with.
constexpr std::string_view kNameAlphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t kRandomCharacters = 12;
constexpr int kCreateAttempts = 100;

std::string random_part() {
  unsigned char bytes[kRandomCharacters];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    // No kernel randomness: the clock, the process and a counter still make a
    // name that differs from run to run (creation stays exclusive either way).
    static std::uint64_t counter = 0;
    std::uint64_t x = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      (static_cast<std::uint64_t>(getpid()) << 32) ^ ++counter;
    for (unsigned char& b : bytes) {
      x = (x ^ (x >> 31)) * 0x9E3779B97F4A7C15ull;
      b = static_cast<unsigned char>(x >> 56);
    }
  }
  std::string part(kRandomCharacters, ' ');
  for (std::size_t i = 0; i < kRandomCharacters; ++i) part[i] = kNameAlphabet[bytes[i] % kNameAlphabet.size()];
  return part;
}

// Creates "<name>.tmp-<random>" new, beside the result; -1 (errno set) when
// it cannot. An existing name, a symbolic link included, is never opened.
int create_temporary(const std::string& name, std::string& temp_name) {
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    temp_name = name + ".tmp-" + random_part();
    const int fd = ::open(temp_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool in_own_groups(gid_t gid) {
  if (gid == getegid()) return true;
  const int count = getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int got = getgroups(count, groups.data());
  for (int i = 0; i < got; ++i)
    if (groups[static_cast<std::size_t>(i)] == gid) return true;
  return false;
}

// A file of that name that we may not write: renaming over it would replace
// what its owner protected. access() answers for everyone but the superuser,
// whom it lets write anything; for the superuser the write bit of its class
// (owner, group, others) decides. A folder of that name is left to the rename,
// which names the reason.
bool write_protected(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (::access(name.c_str(), W_OK) != 0) return true;
  if (geteuid() != 0) return false;
  const mode_t bit = st.st_uid == geteuid() ? S_IWUSR : in_own_groups(st.st_gid) ? S_IWGRP : S_IWOTH;
  return (st.st_mode & bit) == 0;
}

}  // namespace

// The stream's buffer: a large block written to the file descriptor with
// write(2). The first failure keeps its reason, so a full disk is named as
// such however much was written before it showed.
class OutputFile::FileBuffer : public std::streambuf {
 public:
  FileBuffer() : block_(kBufferBytes) { setp(block_.data(), block_.data() + block_.size()); }
  ~FileBuffer() override { abandon(); }

  void attach(int fd) { fd_ = fd; }
  int error() const { return error_; }

  // Writes what is buffered and closes the file; false when a write or the
  // close failed.
  bool close() {
    bool ok = drain();
    if (::close(fd_) != 0 && ok) {
      failed(errno);
      ok = false;
    }
    fd_ = -1;
    return ok;
  }
  // Closes the file without writing what is buffered.
  void abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 protected:
  int_type overflow(int_type c) override {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return drain() ? 0 : -1; }
  // Blocks as large as the buffer go straight to the file.
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (n < static_cast<std::streamsize>(block_.size())) return std::streambuf::xsputn(s, n);
    if (!drain() || !write_all(s, static_cast<std::size_t>(n))) return 0;
    return n;
  }

 private:
  void failed(int error_number) {
    if (!failed_) error_ = error_number;
    failed_ = true;
  }
  bool drain() {
    const char* begin = pbase();
    const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
    setp(block_.data(), block_.data() + block_.size());
    return write_all(begin, size);
  }
  bool write_all(const char* p, std::size_t n) {
    if (failed_) return false;
    while (n > 0) {
      const ssize_t w = ::write(fd_, p, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        failed(w < 0 ? errno : 0);
        return false;
      }
      p += w;
      n -= static_cast<std::size_t>(w);
    }
    return true;
  }

  std::vector<char> block_;
  int fd_ = -1;
  int error_ = 0;  // errno of the first failure, 0 when none was given
  bool failed_ = false;
};

std::string write_failure_message(const std::string& file_name, int error_number) {
  std::string message = file_name + " file cannot be written (";
  message += error_number != 0 ? std::strerror(error_number) : "write error";
  message += "), program stop";
  return message;
}

OutputFile::OutputFile(Run& run, std::string name)
    : run_(run), name_(std::move(name)), buffer_(std::make_unique<FileBuffer>()), stream_(nullptr) {
  if (write_protected(name_)) stop_cannot_open(run_, name_);
  int fd = -1;
  {
    // An interruption between the creation and the registration would leave
    // the file behind.
    HoldInterrupts hold;
    fd = create_temporary(name_, temp_name_);
    if (fd >= 0) slot_ = register_temporary(temp_name_.c_str());
  }
  if (fd < 0) stop_cannot_open(run_, name_);
  buffer_->attach(fd);
  stream_.rdbuf(buffer_.get());
}

OutputFile::~OutputFile() {
  if (!done_) discard();
}

void OutputFile::discard() {
  buffer_->abandon();
  ::unlink(temp_name_.c_str());
  release_temporary(slot_);
  slot_ = -1;
  done_ = true;
}

void OutputFile::fail(int error_number) {
  discard();
  const std::string message = write_failure_message(name_, error_number);
  run_.err() << ' ' << message << '\n';
  run_.stop_told();
  run_.report_line(message);
  end_run(1);
}

void OutputFile::commit() {
  stream_.flush();
  if (!stream_ || !buffer_->close()) fail(buffer_->error());
  if (std::rename(temp_name_.c_str(), name_.c_str()) != 0) fail(errno);
  release_temporary(slot_);
  slot_ = -1;
  done_ = true;
}

}  // namespace tessaro
