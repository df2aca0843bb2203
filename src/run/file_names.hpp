#pragma once
// File names and suffixes that both a section and the report quote, so that
// each summary line names the file under which it was written.
namespace tessaro {
inline constexpr const char* kWfnGradientSuffix = "_gradrho.cube";
inline constexpr const char* kNumericalGradientFile = "grad_numerical.cube";
inline constexpr const char* kNumericalLaplacianFile = "lapl_numerical.cube";
}  // namespace tessaro
