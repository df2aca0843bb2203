#include "run/output_file.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "run/input_file.hpp"
#include "run/run.hpp"
#include "run/run_end.hpp"

namespace tessaro {

namespace {
constexpr std::size_t kBufferBytes = 1 << 20;
}

std::string write_failure_message(const std::string& file_name, int error_number) {
  std::string message = file_name + " file cannot be written (";
  message += error_number != 0 ? std::strerror(error_number) : "write error";
  message += "), program stop";
  return message;
}

OutputFile::OutputFile(Run& run, std::string name)
    : run_(run), name_(std::move(name)), buffer_(kBufferBytes) {
  temp_name_ = name_ + ".tmp-" + std::to_string(static_cast<long>(getpid()));
  stream_.rdbuf()->pubsetbuf(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  stream_.open(temp_name_, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!stream_) stop_cannot_open(run_, name_);
}

OutputFile::~OutputFile() {
  if (!committed_) {
    if (stream_.is_open()) stream_.close();
    std::remove(temp_name_.c_str());
  }
}

void OutputFile::fail(int error_number) {
  stream_.close();
  std::remove(temp_name_.c_str());
  committed_ = true;  // nothing left to clean up
  const std::string message = write_failure_message(name_, error_number);
  run_.err() << ' ' << message << '\n';
  run_.report_line(message);
  end_run(1);
}

void OutputFile::commit() {
  errno = 0;
  stream_.flush();
  if (!stream_) fail(errno);
  errno = 0;
  stream_.close();
  if (stream_.fail()) fail(errno);
  if (std::rename(temp_name_.c_str(), name_.c_str()) != 0) fail(errno);
  committed_ = true;
}

}  // namespace tessaro
