#pragma once
// A VMD script for each RDG run: it loads the RDG cube and the
// rho*sign(lambda2) cube and shows the RDG isosurface coloured by
// rho*sign(lambda2) on the blue-green-red scale, with the molecule.
// Open it with:  vmd -e name.vmd
#include <ostream>
#include <string>
#include <string_view>

namespace tessaro {

// The isosurface drawn by default and the colour range of rho*sign(lambda2)
// (a.u.): blue below -0.04 (attraction, hydrogen bonds), green near 0 (weak,
// van der Waals), red above 0.04 (steric repulsion).
inline constexpr double kVmdIsovalue = 0.5;
inline constexpr double kVmdColourLimit = 0.04;

// Writes the script. The cube names are written as Tcl strings, so names with
// blanks, quotes, '$' or brackets load as they are.
void vmd_script(std::ostream& destination, std::string_view rdg_cube, std::string_view rhosign_cube,
                double isovalue = kVmdIsovalue);

// The name under which the script `script_name` loads `file_name` (both named
// as the run opens them, from its working directory): relative to the
// script's own folder, since VMD is started there (vmd -e name.vmd) and the
// cubes load from its working directory. Unchanged when the script stands in
// the working directory or the file's name is absolute; the file's absolute
// name when no relative one can be found.
std::string relative_to_script(std::string_view script_name, std::string_view file_name);

// A file name as a double-quoted Tcl word: '"', '\', '$', '[' and ']'
// escaped with a backslash.
std::string tcl_quote(std::string_view text);

}  // namespace tessaro
