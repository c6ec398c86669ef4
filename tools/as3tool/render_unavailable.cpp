// The render command where the build has no offscreen buffer to draw into.

#include <ostream>

#include "tools/as3tool/render.h"

namespace ironwood::as3tool {

int RenderCommand(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
  err << "as3tool render: not available on this platform (pictures are drawn through the Linux "
         "offscreen renderer)\n";
  return 2;
}

}  // namespace ironwood::as3tool
