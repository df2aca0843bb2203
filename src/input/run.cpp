#include "input/run.hpp"

namespace tessaro {

bool Run::open_report(const std::string& file_name) {
  auto file = std::make_unique<std::ofstream>(file_name, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!*file) return false;
  report_ = std::move(file);
  report_file_name_ = file_name;
  return true;
}

void Run::report_write(std::string_view text) {
  if (report_) report_->write(text.data(), static_cast<std::streamsize>(text.size()));
}

void Run::report_line(std::string_view text) {
  if (!report_) return;
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

void Run::flush() {
  if (report_) report_->flush();
  console_->flush();
}

}  // namespace tessaro
