// The command line a user starts from: --template prints the shipped template.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "main/driver.hpp"
#include "input/template_text.hpp"

namespace {

TEST(UsersCommandLine, TemplateOptionPrintsTheShippedTemplate) {
  std::ostringstream out, err;
  const char* argv[] = {"tessaro", "--template"};
  EXPECT_EQ(tessaro::tessaro_main(2, argv, out, err), 0);
  EXPECT_EQ(out.str(), std::string(tessaro::input_template()));
  EXPECT_EQ(err.str(), "");
}

}  // namespace
