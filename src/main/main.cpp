#include <iostream>

#include "main/driver.hpp"
#include "run/interruption.hpp"

int main(int argc, char** argv) {
  tessaro::install_interrupt_handlers();
  return tessaro::tessaro_main(argc, argv, std::cout, std::cerr);
}
