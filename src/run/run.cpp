#include "run/run.hpp"

#include <cerrno>

#include "run/output_file.hpp"
#include "run/progress.hpp"
#include "run/run_end.hpp"

namespace tessaro {

void Run::name_report(const std::string& file_name) { report_file_name_ = file_name; }

bool Run::create_report() {
  auto file = std::make_unique<std::ofstream>(report_file_name_, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!*file) return false;
  report_ = std::move(file);
  std::string held;
  held.swap(held_);
  report_write(held);
  return true;
}

void Run::report_write(std::string_view text) {
  if (!report_named() || report_failed_) return;
  if (!report_) {
    held_ += text;
    return;
  }
  errno = 0;
  report_->write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!*report_) report_failed(errno);
}

void Run::name_report_failure(int error_number) {
  report_failed_ = true;
  *err_ << ' ' << write_failure_message(report_file_name_, error_number) << '\n';
  err_->flush();
}

void Run::report_failed(int error_number) {
  name_report_failure(error_number);
  end_run(1);
}

void Run::report_line(std::string_view text) {
  if (!report_named()) return;
  std::string line;
  line.reserve(text.size() + 2);
  line += ' ';
  line += text;
  line += '\n';
  report_write(line);
}

void Run::console_line(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 2);
  line += ' ';
  line += text;
  line += '\n';
  console_->write(line.data(), static_cast<std::streamsize>(line.size()));
}

bool Run::show_progress() const { return err_ == &std::cerr && stderr_is_terminal(); }

bool Run::flush() {
  console_->flush();
  if (!report_ || report_failed_) return !report_failed_;
  errno = 0;
  report_->flush();
  if (!*report_) {
    name_report_failure(errno);
    return false;
  }
  return true;
}

}  // namespace tessaro
