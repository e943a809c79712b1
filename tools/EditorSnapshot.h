// qphost editor [--dll DLL] [--zoom PERCENT] [--about | --menu | --zoom-menu] OUT.bmp|OUT.png
//
// Opens the plug-in's editor in a window of its own, lets it paint and idle for
// a moment as a host would, and saves what the window shows. --about shows the
// about screen first (through the record, as a host replaying the editor's
// automation of index 5 would); --menu clicks the logo with the real mouse and
// saves the screen around the window with the command menu and its "Presets"
// submenu open (--zoom-menu: its "Zoom" submenu). --zoom opens it at a zoom step, chosen as the user's zoom
// setting for the run (the setting is put back afterwards).
#pragma once

#include <string>
#include <vector>

namespace qp::tools {

// The arguments after "editor"; the process exit code.
int runEditorSnapshot(const std::vector<std::string>& arguments);

const char* editorSnapshotUsage();

}  // namespace qp::tools
