#include "topond/topo_to_cube.hpp"

#include "input/run.hpp"

namespace tessaro {
void topo_to_cube(Run&) {}
}  // namespace tessaro
