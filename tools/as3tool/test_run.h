#pragma once

// Running the tool in-process for the tests: its exit status and what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_files.h"
#include "tools/as3tool/as3tool.h"

namespace ironwood::as3tool {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline Outcome Tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunAs3Tool(args, out, err);
  return {status, out.str(), err.str()};
}

// A file in the test's temporary folder.
inline std::string File(const testing::TempFolder& folder, const std::string& name) {
  return (folder.Path() / name).string();
}

}  // namespace ironwood::as3tool
