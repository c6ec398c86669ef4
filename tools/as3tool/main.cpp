#include <iostream>
#include <string>
#include <vector>

#include "tools/as3tool/as3tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return ironwood::as3tool::RunAs3Tool(args, std::cout, std::cerr);
}
