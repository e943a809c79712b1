// Reading, checking and writing .fxp/.fxb files. Over 400 lines on purpose: the
// reader and the writer share the record layout defined once at the top of this
// file, and keeping both sides beside it is what keeps them from drifting apart.
#include "tools/PresetFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "tools/EffectInfo.h"
#include "tools/FileReplace.h"

namespace qp::tools {

namespace {

constexpr Int32 kFileMagic = fourCharCode('C', 'c', 'n', 'K');
constexpr Int32 kProgramChunkCode = fourCharCode('F', 'P', 'C', 'h');
constexpr Int32 kProgramValuesCode = fourCharCode('F', 'x', 'C', 'k');
constexpr Int32 kBankChunkCode = fourCharCode('F', 'B', 'C', 'h');
constexpr Int32 kBankProgramsCode = fourCharCode('F', 'x', 'B', 'k');

// 'CcnK' and the size field come before what the size counts.
constexpr std::uint64_t kLeadBytes = 8;
// kind, format version, unique id, plug-in version, count
constexpr std::uint64_t kCommonFields = 5 * 4;
constexpr std::uint64_t kPresetHeaderBytes = kLeadBytes + kCommonFields + kPresetNameBytes;  // 56
constexpr std::uint64_t kBankHeaderBytes = kLeadBytes + kCommonFields + kBankReservedBytes;  // 156
constexpr std::uint64_t kValueBytes = 4;
constexpr Int32 kPresetFormatVersion = 1;
constexpr Int32 kOldestBankFormat = 1;
constexpr Int32 kCurrentBankFormat = 2;

class Reader {
public:
    Reader(const std::vector<std::uint8_t>& bytes, std::size_t start, std::size_t end)
        : bytes_(bytes),
          position_(start),
          end_(end) {}

    std::uint64_t remaining() const { return end_ - position_; }
    std::size_t position() const { return position_; }

    bool int32(Int32* value) {
        if (remaining() < 4) {
            return false;
        }
        const std::uint8_t* p = bytes_.data() + position_;
        *value = Int32((std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                       (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]));
        position_ += 4;
        return true;
    }
    bool float32(float* value) {
        Int32 bits = 0;
        if (!int32(&bits)) {
            return false;
        }
        std::memcpy(value, &bits, sizeof *value);
        return true;
    }
    bool raw(std::uint8_t* out, std::size_t count) {
        if (remaining() < count) {
            return false;
        }
        std::memcpy(out, bytes_.data() + position_, count);
        position_ += count;
        return true;
    }
    bool bytes(std::vector<std::uint8_t>* out, std::uint64_t count) {
        if (remaining() < count) {
            return false;
        }
        out->assign(bytes_.begin() + std::ptrdiff_t(position_),
                    bytes_.begin() + std::ptrdiff_t(position_ + count));
        position_ += std::size_t(count);
        return true;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t position_;
    std::size_t end_;
};

void putInt32(std::vector<std::uint8_t>& out, Int32 value) {
    const auto bits = std::uint32_t(value);
    out.push_back(std::uint8_t(bits >> 24));
    out.push_back(std::uint8_t(bits >> 16));
    out.push_back(std::uint8_t(bits >> 8));
    out.push_back(std::uint8_t(bits));
}

void putFloat(std::vector<std::uint8_t>& out, float value) {
    Int32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    putInt32(out, bits);
}

void putName(std::vector<std::uint8_t>& out, const std::string& name) {
    // The last byte always stays the terminator.
    std::uint8_t field[kPresetNameBytes] = {};
    std::memcpy(field, name.data(), std::min(name.size(), kPresetNameBytes - 1));
    out.insert(out.end(), field, field + kPresetNameBytes);
}

void patchSize(std::vector<std::uint8_t>& out, std::size_t recordStart) {
    const auto size = std::uint32_t(out.size() - recordStart - kLeadBytes);
    for (int i = 0; i < 4; ++i) {
        out[recordStart + 4 + std::size_t(i)] = std::uint8_t(size >> (24 - 8 * i));
    }
}

void serializeInto(std::vector<std::uint8_t>& out, const PresetFile& file) {
    const std::size_t start = out.size();
    putInt32(out, kFileMagic);
    putInt32(out, 0);  // patched once the record's length is known
    const Int32 codes[] = {kProgramChunkCode, kProgramValuesCode, kBankChunkCode, kBankProgramsCode};
    putInt32(out, codes[int(file.kind)]);
    putInt32(out, file.formatVersion);
    putInt32(out, file.uniqueId);
    putInt32(out, file.pluginVersion);
    switch (file.kind) {
        case PresetKind::ProgramChunk:
        case PresetKind::ProgramValues:
            putInt32(out, file.kind == PresetKind::ProgramValues ? Int32(file.values.size()) : file.count);
            putName(out, file.name);
            if (file.kind == PresetKind::ProgramValues) {
                for (float value : file.values) {
                    putFloat(out, value);
                }
            } else {
                putInt32(out, Int32(file.chunk.size()));
                out.insert(out.end(), file.chunk.begin(), file.chunk.end());
            }
            break;
        case PresetKind::BankChunk:
        case PresetKind::BankPrograms: {
            putInt32(out, file.kind == PresetKind::BankPrograms ? Int32(file.programs.size()) : file.count);
            const std::size_t reservedAt = out.size();
            out.insert(out.end(), file.reserved.begin(), file.reserved.end());
            if (file.formatVersion >= kCurrentBankFormat) {
                std::vector<std::uint8_t> current;
                putInt32(current, file.currentProgram);
                std::copy(current.begin(), current.end(), out.begin() + std::ptrdiff_t(reservedAt));
            }
            if (file.kind == PresetKind::BankPrograms) {
                for (const PresetFile& program : file.programs) {
                    serializeInto(out, program);
                }
            } else {
                putInt32(out, Int32(file.chunk.size()));
                out.insert(out.end(), file.chunk.begin(), file.chunk.end());
            }
            break;
        }
    }
    patchSize(out, start);
}

std::string codeText(Int32 code) { return describeFourCharCode(code); }

std::string truncated(const std::string& where, std::size_t offset) {
    return "the file is truncated: it ends inside " + where + " (at byte " + std::to_string(offset) + ")";
}

// One CcnK record from `start`; `end` is where the record must end according to
// its enclosing size (the whole file, or the bank's remaining bytes for the
// programs of an FxBk). `nested` records are programs inside an FxBk.
// The opaque forms end in a size and that many bytes of the plug-in's own chunk.
bool readChunk(Reader& in, const char* what, std::vector<std::uint8_t>* chunk, std::string* error) {
    Int32 chunkSize = 0;
    if (!in.int32(&chunkSize)) {
        *error = truncated("the chunk size", in.position());
        return false;
    }
    if (chunkSize < 0 || std::uint64_t(chunkSize) > in.remaining()) {
        *error = std::string("the ") + what + " chunk is said to be " + std::to_string(chunkSize) +
                 " bytes but the file holds " + std::to_string(in.remaining()) + " after its header";
        return false;
    }
    in.bytes(chunk, std::uint64_t(chunkSize));
    return true;
}

bool parseRecord(const std::vector<std::uint8_t>& bytes, std::size_t start, std::size_t end, bool nested,
                 PresetFile* file, std::size_t* recordEnd, std::string* error) {
    const std::string what = nested ? "program record at byte " + std::to_string(start) : "file";
    Reader lead(bytes, start, end);
    Int32 magic = 0, size = 0;
    if (!lead.int32(&magic)) {
        *error =
            nested ? truncated("a program record", start) : "the file is too short to be a preset or bank";
        return false;
    }
    if (magic != kFileMagic) {
        *error =
            "the " + what + " starts with " + codeText(magic) + " instead of 'CcnK': it is no preset or bank";
        return false;
    }
    if (!lead.int32(&size)) {
        *error = truncated("the size field", start + 4);
        return false;
    }
    const std::uint64_t available = end - start - kLeadBytes;
    if (size < 0 || std::uint64_t(size) > available) {
        *error = nested ? "program record at byte " + std::to_string(start) + " announces " +
                              std::to_string(size) + " bytes but only " + std::to_string(available) +
                              " remain in the bank"
                        : "wrong size or truncated file: the header announces " + std::to_string(size) +
                              " bytes after the size field but the file holds " + std::to_string(available);
        return false;
    }
    if (!nested && std::uint64_t(size) != available) {
        *error = "wrong size: the header announces " + std::to_string(size) +
                 " bytes after the size field but the file holds " + std::to_string(available) +
                 " (extra bytes at the end)";
        return false;
    }
    const std::size_t bodyEnd = start + std::size_t(kLeadBytes) + std::size_t(size);
    *recordEnd = bodyEnd;

    Reader in(bytes, start + std::size_t(kLeadBytes), bodyEnd);
    Int32 code = 0;
    if (!in.int32(&code) || !in.int32(&file->formatVersion) || !in.int32(&file->uniqueId) ||
        !in.int32(&file->pluginVersion) || !in.int32(&file->count)) {
        *error = truncated("the header", in.position());
        return false;
    }
    if (code == kProgramChunkCode) {
        file->kind = PresetKind::ProgramChunk;
    } else if (code == kProgramValuesCode) {
        file->kind = PresetKind::ProgramValues;
    } else if (code == kBankChunkCode) {
        file->kind = PresetKind::BankChunk;
    } else if (code == kBankProgramsCode) {
        file->kind = PresetKind::BankPrograms;
    } else {
        *error = "unknown record kind " + codeText(code) + " (expected 'FPCh', 'FxCk', 'FBCh' or 'FxBk')";
        return false;
    }
    if (nested && file->kind != PresetKind::ProgramValues) {
        *error = "a program inside an 'FxBk' bank is " + codeText(code) + ", not 'FxCk'";
        return false;
    }
    if (file->count < 0) {
        *error = std::string(isBank(file->kind) ? "program" : "parameter") + " count " +
                 std::to_string(file->count) + " is negative";
        return false;
    }

    if (!isBank(file->kind)) {
        if (file->formatVersion != kPresetFormatVersion) {
            *error =
                "unsupported preset format version " + std::to_string(file->formatVersion) + " (known: 1)";
            return false;
        }
        char name[kPresetNameBytes + 1] = {};
        if (!in.raw(reinterpret_cast<std::uint8_t*>(name), kPresetNameBytes)) {
            *error = truncated("the program name", in.position());
            return false;
        }
        file->name.assign(name, strnlen(name, kPresetNameBytes));
        if (file->kind == PresetKind::ProgramValues) {
            if (in.remaining() / kValueBytes < std::uint64_t(file->count)) {
                *error = truncated("the parameter values (" + std::to_string(file->count) + " announced)",
                                   in.position());
                return false;
            }
            file->values.resize(std::size_t(file->count));
            for (float& value : file->values) {
                in.float32(&value);
            }
        } else {
            if (!readChunk(in, "program", &file->chunk, error)) {
                return false;
            }
        }
    } else {
        if (file->formatVersion < kOldestBankFormat || file->formatVersion > kCurrentBankFormat) {
            *error =
                "unsupported bank format version " + std::to_string(file->formatVersion) + " (known: 1, 2)";
            return false;
        }
        if (!in.raw(file->reserved.data(), kBankReservedBytes)) {
            *error = truncated("the reserved block", in.position());
            return false;
        }
        if (file->formatVersion >= kCurrentBankFormat) {
            Reader current(bytes, in.position() - kBankReservedBytes, in.position());
            current.int32(&file->currentProgram);
        }
        if (file->kind == PresetKind::BankPrograms) {
            // Each program needs at least a preset header; a huge count meets the
            // end of the file long before anything large is allocated.
            if (in.remaining() / kPresetHeaderBytes < std::uint64_t(file->count)) {
                *error =
                    truncated("the programs (" + std::to_string(file->count) + " announced)", in.position());
                return false;
            }
            file->programs.resize(std::size_t(file->count));
            std::size_t at = in.position();
            for (PresetFile& program : file->programs) {
                std::size_t next = 0;
                if (!parseRecord(bytes, at, bodyEnd, true, &program, &next, error)) {
                    return false;
                }
                at = next;
            }
            if (at != bodyEnd) {
                *error = "wrong size: " + std::to_string(bodyEnd - at) + " bytes follow the last program";
                return false;
            }
            return true;
        }
        if (!readChunk(in, "bank", &file->chunk, error)) {
            return false;
        }
    }
    if (in.remaining() != 0) {
        *error = "wrong size: " + std::to_string(in.remaining()) + " bytes follow the " +
                 (nested ? "program's values" : "record's contents");
        return false;
    }
    return true;
}

std::string checkValues(const std::vector<float>& values, const std::string& where) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!(values[i] >= 0.0f && values[i] <= 1.0f)) {
            char text[64];
            std::snprintf(text, sizeof text, "%g", double(values[i]));
            return "parameter " + std::to_string(i) + where + " is " + text + ", not a value from 0 to 1";
        }
    }
    return {};
}

// A chunk fits only a plug-in that takes chunks of its kind, and of exactly its size.
std::string chunkMisfit(const PresetFile& file, const char* kind, Int32 pluginChunkSize) {
    if (pluginChunkSize <= 0) {
        return std::string("the plug-in takes no ") + kind + " chunks ('" + presetKindCode(file.kind) + "')";
    }
    if (Int32(file.chunk.size()) != pluginChunkSize) {
        return std::string("the ") + kind + " chunk is " + std::to_string(file.chunk.size()) +
               " bytes; the plug-in's is " + std::to_string(pluginChunkSize);
    }
    return {};
}

}  // namespace

bool isBank(PresetKind kind) { return kind == PresetKind::BankChunk || kind == PresetKind::BankPrograms; }

const char* presetKindCode(PresetKind kind) {
    switch (kind) {
        case PresetKind::ProgramChunk:
            return "FPCh";
        case PresetKind::ProgramValues:
            return "FxCk";
        case PresetKind::BankChunk:
            return "FBCh";
        case PresetKind::BankPrograms:
            return "FxBk";
    }
    return "?";
}

PresetParseResult parsePresetFile(const std::vector<std::uint8_t>& bytes) {
    PresetParseResult result;
    if (bytes.size() > kMaxPresetFileBytes) {
        result.error =
            "the file is larger than any preset or bank (" + std::to_string(bytes.size()) + " bytes)";
        return result;
    }
    std::size_t end = 0;
    result.ok = parseRecord(bytes, 0, bytes.size(), false, &result.file, &end, &result.error);
    if (!result.ok) {
        result.file = PresetFile{};
    }
    return result;
}

std::vector<std::uint8_t> serializePresetFile(const PresetFile& file) {
    std::vector<std::uint8_t> out;
    serializeInto(out, file);
    return out;
}

std::string checkPresetFits(const PresetFile& file, const PluginShape& plugin) {
    const auto idMismatch = [&plugin](Int32 id, const std::string& where) {
        return "the " + where + " is for the plug-in " + codeText(id) + ", not " + codeText(plugin.uniqueId);
    };
    if (file.uniqueId != plugin.uniqueId) {
        return idMismatch(file.uniqueId, "file");
    }
    switch (file.kind) {
        case PresetKind::ProgramChunk:
            return chunkMisfit(file, "program", plugin.programChunkSize);
        case PresetKind::BankChunk: {
            const std::string misfit = chunkMisfit(file, "bank", plugin.bankChunkSize);
            if (!misfit.empty()) {
                return misfit;
            }
            break;
        }
        case PresetKind::ProgramValues:
            if (Int32(file.values.size()) != plugin.parameterCount) {
                return "the preset holds " + std::to_string(file.values.size()) +
                       " parameters; the plug-in has " + std::to_string(plugin.parameterCount);
            }
            return checkValues(file.values, "");
        case PresetKind::BankPrograms:
            if (Int32(file.programs.size()) != plugin.programCount) {
                return "the bank holds " + std::to_string(file.programs.size()) +
                       " programs; the plug-in has " + std::to_string(plugin.programCount);
            }
            for (std::size_t p = 0; p < file.programs.size(); ++p) {
                const PresetFile& program = file.programs[p];
                const std::string where = " of program " + std::to_string(p);
                if (program.uniqueId != plugin.uniqueId) {
                    return idMismatch(program.uniqueId, "program " + std::to_string(p));
                }
                if (Int32(program.values.size()) != plugin.parameterCount) {
                    return "program " + std::to_string(p) + " holds " +
                           std::to_string(program.values.size()) + " parameters; the plug-in has " +
                           std::to_string(plugin.parameterCount);
                }
                std::string error = checkValues(program.values, where);
                if (!error.empty()) {
                    return error;
                }
            }
            break;
    }
    if (file.formatVersion >= kCurrentBankFormat &&
        (file.currentProgram < 0 || file.currentProgram >= plugin.programCount)) {
        return "the bank's current program " + std::to_string(file.currentProgram) +
               " does not exist (the plug-in has " + std::to_string(plugin.programCount) + ")";
    }
    return {};
}

PresetParseResult readPresetFile(const std::string& path) {
    PresetParseResult result;
    std::vector<std::uint8_t> bytes;
    if (!readFileBytes(path, &bytes, &result.error)) {
        return result;
    }
    result = parsePresetFile(bytes);
    if (!result.ok) {
        result.error = path + ": " + result.error;
    }
    return result;
}

bool readFileBytes(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0 || std::uint64_t(length) > kMaxPresetFileBytes) {
        *error = path + " is larger than any preset or bank";
        return false;
    }
    in.seekg(0, std::ios::beg);
    bytes->resize(std::size_t(length));
    if (length > 0 && !in.read(reinterpret_cast<char*>(bytes->data()), length)) {
        *error = "cannot read " + path;
        return false;
    }
    return true;
}

bool writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
    return replaceFileContents(path, bytes, error);
}

}  // namespace qp::tools
