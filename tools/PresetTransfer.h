// Preset and bank files to and from a loaded plug-in, through its record only:
// chunks with effGetChunk/effSetChunk (index 0 the bank, 1 the current
// program) when the plug-in declares program chunks, names and parameter values
// otherwise.
#pragma once

#include <string>

#include "host/PluginInterface.h"
#include "tools/PresetFile.h"

namespace qp::tools {

// The plug-in's identity, counts and chunk sizes. Asking for a chunk changes
// nothing in the plug-in.
PluginShape pluginShape(AEffect* effect);

// The current program: FPCh when the plug-in declares program chunks, else FxCk.
PresetFile capturePreset(AEffect* effect);

// Every program, format version 2 with the current program: FBCh when the
// plug-in declares program chunks, else FxBk.
PresetFile captureBank(AEffect* effect);

// Loads a file into the plug-in the way a host does. The file is checked
// against the plug-in first; one that does not fit is refused with the reason
// and nothing is sent to the plug-in. A preset goes into the current program.
// A version 2 bank also selects its current program unless keepProgram is set.
bool applyPresetFile(AEffect* effect, const PresetFile& file, bool keepProgram, std::string* error);

// The name of the current program as the plug-in reports it.
std::string currentProgramName(AEffect* effect);

}  // namespace qp::tools
