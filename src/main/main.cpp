#include <iostream>

#include "main/driver.hpp"

int main(int argc, char** argv) { return tessaro::tessaro_main(argc, argv, std::cout, std::cerr); }
