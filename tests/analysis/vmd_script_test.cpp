#include "analysis/vmd_script.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/temp_folder.hpp"

namespace tessaro {
namespace {

TEST(VmdScript, LoadsBothCubesAndColoursTheIsosurface) {
  std::ostringstream out;
  vmd_script(out, "rdg.cube", "rhosign.cube");
  EXPECT_EQ(out.str(),
            "# VMD script written by Tessaro: RDG isosurface coloured by rho*sign(lambda2).\n"
            "# Open it with:  vmd -e <this file>\n"
            "# Colours (blue-green-red scale, -0.04 to 0.04 a.u.): blue = attraction\n"
            "# (hydrogen bonds), green = weak (van der Waals), red = steric repulsion.\n"
            "mol new \"rdg.cube\" type cube first 0 last -1 step 1 waitfor all\n"
            "mol addfile \"rhosign.cube\" type cube first 0 last -1 step 1 waitfor all\n"
            "mol delrep 0 top\n"
            "# the molecule\n"
            "mol representation CPK 1.0 0.3 12.0 12.0\n"
            "mol color Name\n"
            "mol selection all\n"
            "mol material Opaque\n"
            "mol addrep top\n"
            "# the RDG isosurface 0.5 (volume 0), coloured by rho*sign(lambda2) (volume 1)\n"
            "mol representation Isosurface 0.5 0 0 0 1 1\n"
            "mol color Volume 1\n"
            "mol selection all\n"
            "mol material Opaque\n"
            "mol addrep top\n"
            "mol scaleminmax top 1 -0.04 0.04\n"
            "color scale method BGR\n"
            "color Display Background white\n"
            "display projection Orthographic\n"
            "axes location Off\n"
            "display resetview\n");
}

TEST(VmdScript, OtherIsovalueAndAwkwardNames) {
  std::ostringstream out;
  vmd_script(out, "my rdg.cube", "a\"b$c[1]\\.cube", 0.3);
  const std::string s = out.str();
  EXPECT_NE(s.find("mol new \"my rdg.cube\" type cube"), std::string::npos);
  EXPECT_NE(s.find("mol addfile \"a\\\"b\\$c\\[1\\]\\\\.cube\" type cube"), std::string::npos);
  EXPECT_NE(s.find("mol representation Isosurface 0.3 0 0 0 1 1\n"), std::string::npos);
  EXPECT_EQ(tcl_quote(""), "\"\"");
}

// The script loads its cubes from its own folder, wherever the run wrote it.
TEST(VmdScript, CubeNamesRelativeToTheScriptsFolder) {
  testing::TempFolder folder;
  std::filesystem::create_directories("sub/deeper");
  const std::string here = folder.path().filename().string();
  const struct {
    const char* script;
    const char* file;
    std::string loaded;
  } cases[] = {
      {"rdg.vmd", "rdg.cube", "rdg.cube"},
      {"rdg.vmd", "sub/rs.cube", "sub/rs.cube"},
      {"./rdg.vmd", "rs.cube", "rs.cube"},
      {"sub/rdg.vmd", "sub/rdg.cube", "rdg.cube"},
      {"sub/rdg.vmd", "rs.cube", "../rs.cube"},
      {"sub/deeper/rdg.vmd", "sub/rs.cube", "../rs.cube"},
      {"../up.vmd", "../up.cube", "up.cube"},
      {"../up.vmd", "rs.cube", here + "/rs.cube"},
      {"sub/rdg.vmd", "/data/rs.cube", "/data/rs.cube"},
  };
  for (const auto& c : cases) EXPECT_EQ(relative_to_script(c.script, c.file), c.loaded) << c.script << " " << c.file;
}

}  // namespace
}  // namespace tessaro
