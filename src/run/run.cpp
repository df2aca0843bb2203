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
  write_report_text(held);
  return true;
}

void Run::report_write(std::string_view text) {
  messages_.clear();
  write_report_text(text);
}

void Run::write_report_text(std::string_view text) {
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
  stop_told_ = true;
  *err_ << ' ' << write_failure_message(report_file_name_, error_number) << '\n';
  err_->flush();
}

void Run::report_failed(int error_number) {
  name_report_failure(error_number);
  end_run(1);
}

void Run::report_line(std::string_view text) {
  if (!report_named()) return;
  note_message(text);
  std::string line;
  line.reserve(text.size() + 2);
  line += ' ';
  line += text;
  line += '\n';
  write_report_text(line);
}

void Run::console_line(std::string_view text) {
  note_message(text);
  std::string line;
  line.reserve(text.size() + 2);
  line += ' ';
  line += text;
  line += '\n';
  console_->write(line.data(), static_cast<std::streamsize>(line.size()));
}

// A line written to the report and echoed on the console is one line of the
// message; a long series of warnings keeps its last lines.
void Run::note_message(std::string_view text) {
  constexpr std::size_t kKept = 8;
  for (const std::string& m : messages_)
    if (m == text) return;
  if (messages_.size() == kKept) messages_.erase(messages_.begin());
  messages_.emplace_back(text);
}

void Run::tell_stop(bool with_message) {
  if (stop_told_) return;
  stop_told_ = true;
  std::ostream& err = *err_;
  if (with_message)
    for (const std::string& m : messages_) err << ' ' << m << '\n';
  for (const std::string& d : details_) err << ' ' << d << '\n';
  if (!with_message) return;
  if (report_ != nullptr)
    err << " Run stopped: see the report file " << report_file_name_ << '\n';
  else
    err << " Run stopped: no report file was written\n";
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
