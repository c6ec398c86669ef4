#pragma once

// The configuration program's face on Linux: the four pages in a GTK 3 dialog with a notebook,
// OK and Cancel. The pages' behaviour is all in config/; each page's widgets are in its own
// config_gtk_<page>.cpp, and the sheet only puts them together.

namespace ironwood::config {
class ConfigProgram;
}

namespace ironwood::platform {

// Shows the sheet until the user closes it; gtk_init must have run. The settings must already
// be loaded. On OK it saves them, and says so in a message box over the sheet when they could
// not all be written. True when the user chose OK, false for Cancel, Escape or closing the
// window.
bool RunConfigSheet(config::ConfigProgram& program);

}  // namespace ironwood::platform
