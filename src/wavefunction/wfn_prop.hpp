#pragma once
namespace tessaro {
class Run;
// The WFN section: density and derived properties of a .wfn or .wfx wavefunction on a box grid.
void wfn_prop(Run& run);
}  // namespace tessaro
