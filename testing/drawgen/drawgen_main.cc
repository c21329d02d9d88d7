#include <iostream>
#include <string>
#include <vector>

#include "drawgen/drawgen_cli.h"

int main(int argc, char** argv) {
  return orvello::drawgen::Main(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                std::cerr);
}
