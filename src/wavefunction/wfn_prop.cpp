#include "wavefunction/wfn_prop.hpp"

#include "input/run.hpp"

namespace tessaro {
void wfn_prop(Run&) {}
}  // namespace tessaro
