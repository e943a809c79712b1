// What a host sees when it loads a plug-in, written out for a person: the
// identity texts, the record's fields and flags, the pins, programs, parameters,
// capabilities and the editor's size. Uses nothing but the record.
#pragma once

#include <ostream>
#include <string>

#include "host/PluginInterface.h"

namespace qp::tools {

// Names of the record's flag bits that are set, joined by " | " ("none" for 0);
// unknown bits appear as hex.
std::string describeFlags(Int32 flags);

// '1028' (0x31303238); non-printable bytes appear as '?'.
std::string describeFourCharCode(Int32 code);

// Sends only queries that change nothing (the current program is read, not set).
void printEffectInfo(AEffect* effect, const std::string& libraryPath, std::ostream& out);

}  // namespace qp::tools
