#pragma once
namespace tessaro {
class Run;
// The TOP section: TOPOND grid files to cube files with atoms from the CRYSTAL output.
void topo_to_cube(Run& run);
}  // namespace tessaro
