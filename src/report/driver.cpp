#include "report/driver.hpp"

namespace tessaro {
int tessaro_main(int, const char* const*, std::ostream&, std::ostream&) { return 0; }
}  // namespace tessaro
