#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "tools/as3tool/as3tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  // Whatever goes wrong ends with a message and status 1, not an abort that loses the output.
  try {
    return ironwood::as3tool::RunAs3Tool(args, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "as3tool: " << e.what() << "\n";
    return 1;
  }
}
