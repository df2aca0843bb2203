#include "analysis/calc_stuff.hpp"

#include "input/run.hpp"

namespace tessaro {
void calc_stuff(Run&) {}
}  // namespace tessaro
