#include "analysis/vmd_script.hpp"

#include <charconv>
#include <filesystem>
#include <system_error>

namespace tessaro {

namespace {

// Shortest text that reads back as the same double ("0.5", "0.3").
std::string shortest(double value) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

}  // namespace

std::string relative_to_script(std::string_view script_name, std::string_view file_name) {
  namespace fs = std::filesystem;
  const fs::path script(script_name), file(file_name);
  if (!script.has_parent_path() || file.is_absolute()) return std::string(file_name);
  std::error_code ec;
  const fs::path absolute = fs::absolute(file, ec);
  if (ec) return std::string(file_name);
  const fs::path relative = fs::relative(absolute, fs::absolute(script.parent_path(), ec), ec);
  return !ec && !relative.empty() ? relative.string() : absolute.lexically_normal().string();
}

std::string tcl_quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\' || c == '$' || c == '[' || c == ']') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

void vmd_script(std::ostream& destination, std::string_view rdg_cube, std::string_view rhosign_cube,
                double isovalue) {
  const std::string iso = shortest(isovalue);
  const std::string lo = shortest(-kVmdColourLimit);
  const std::string hi = shortest(kVmdColourLimit);
  std::string s;
  s += "# VMD script written by Tessaro: RDG isosurface coloured by rho*sign(lambda2).\n";
  s += "# Open it with:  vmd -e <this file>\n";
  s += "# Colours (blue-green-red scale, " + lo + " to " + hi + " a.u.): blue = attraction\n";
  s += "# (hydrogen bonds), green = weak (van der Waals), red = steric repulsion.\n";
  // Volume 0 is the RDG, volume 1 rho*sign(lambda2): the order of loading.
  s += "mol new " + tcl_quote(rdg_cube) + " type cube first 0 last -1 step 1 waitfor all\n";
  s += "mol addfile " + tcl_quote(rhosign_cube) + " type cube first 0 last -1 step 1 waitfor all\n";
  s += "mol delrep 0 top\n";
  s += "# the molecule\n";
  s += "mol representation CPK 1.0 0.3 12.0 12.0\n";
  s += "mol color Name\n";
  s += "mol selection all\n";
  s += "mol material Opaque\n";
  s += "mol addrep top\n";
  s += "# the RDG isosurface " + iso + " (volume 0), coloured by rho*sign(lambda2) (volume 1)\n";
  s += "mol representation Isosurface " + iso + " 0 0 0 1 1\n";
  s += "mol color Volume 1\n";
  s += "mol selection all\n";
  s += "mol material Opaque\n";
  s += "mol addrep top\n";
  s += "mol scaleminmax top 1 " + lo + " " + hi + "\n";
  s += "color scale method BGR\n";
  s += "color Display Background white\n";
  s += "display projection Orthographic\n";
  s += "axes location Off\n";
  s += "display resetview\n";
  destination.write(s.data(), static_cast<std::streamsize>(s.size()));
}

}  // namespace tessaro
