// The preset (.fxp) and bank (.fxb) files VST 2 hosts exchange, read from and
// written to bytes. Every integer and float in them is big-endian.
//
//   preset: 'CcnK', size of the rest, 'FPCh' | 'FxCk', format version (1),
//           unique id, plug-in version, parameter count, name (28 bytes),
//           then FPCh: chunk size + chunk, FxCk: one float per parameter
//   bank:   'CcnK', size of the rest, 'FBCh' | 'FxBk', format version (1 or 2),
//           unique id, plug-in version, program count, 128 reserved bytes
//           (version 2: the first 4 hold the current program),
//           then FBCh: chunk size + chunk, FxBk: one whole FxCk preset per program
//
// Files are untrusted: every size and count is checked against the bytes that
// are really there before anything is allocated for it. Parsing checks the
// format only; checkPresetFits then holds a file against one plug-in, so a
// host can refuse it before touching the plug-in at all.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/PluginInterface.h"

namespace qp::tools {

enum class PresetKind {
    ProgramChunk,   // FPCh: one program as the plug-in's opaque chunk
    ProgramValues,  // FxCk: one program as a list of parameter values
    BankChunk,      // FBCh: every program as the plug-in's opaque chunk
    BankPrograms,   // FxBk: every program as an FxCk record
};

bool isBank(PresetKind kind);
// The four-character code that names the kind in a file ("FPCh", ...).
const char* presetKindCode(PresetKind kind);

constexpr std::size_t kPresetNameBytes = 28;
constexpr std::size_t kBankReservedBytes = 128;
// No preset or bank qphost deals with comes near this; a bigger file is refused
// before it is read into memory.
constexpr std::uint64_t kMaxPresetFileBytes = 64ull << 20;

struct PresetFile {
    PresetKind kind = PresetKind::ProgramChunk;
    Int32 formatVersion = 1;
    Int32 uniqueId = 0;
    Int32 pluginVersion = 0;
    // Presets: the number of parameters; banks: the number of programs.
    Int32 count = 0;
    std::string name;                 // presets: the program's name (at most 27 characters kept)
    std::vector<float> values;        // FxCk
    std::vector<std::uint8_t> chunk;  // FPCh and FBCh
    Int32 currentProgram = 0;         // banks of format version 2
    // Banks: the reserved block as read, written back unchanged (in version 2
    // its first four bytes are replaced by currentProgram).
    std::array<std::uint8_t, kBankReservedBytes> reserved{};
    std::vector<PresetFile> programs;  // FxBk: each of kind ProgramValues
};

struct PresetParseResult {
    bool ok = false;
    std::string error;
    PresetFile file;
};

PresetParseResult parsePresetFile(const std::vector<std::uint8_t>& bytes);

// The file's bytes. The size field and the counts are derived from the
// contents (count from values/programs where the kind holds them).
std::vector<std::uint8_t> serializePresetFile(const PresetFile& file);

// What a file must match to be loaded into one plug-in.
struct PluginShape {
    Int32 uniqueId = 0;
    Int32 parameterCount = 0;
    Int32 programCount = 0;
    Int32 programChunkSize = 0;  // 0: the plug-in hands out no program chunk
    Int32 bankChunkSize = 0;     // 0: the plug-in hands out no bank chunk
};

// Empty when the file fits the plug-in; otherwise what does not, for a person.
std::string checkPresetFits(const PresetFile& file, const PluginShape& plugin);

// Reads and parses a file; errors start with the path.
PresetParseResult readPresetFile(const std::string& path);

// Whole files; the reader refuses files larger than kMaxPresetFileBytes. The
// writer replaces a file whole or, when it fails, leaves it as it was.
bool readFileBytes(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error);
bool writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);

}  // namespace qp::tools
