// Programs as files: telling plain text from a tokenised image, turning a
// text file into an image and listing an image as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interp/errors.h"
#include "os/loader.h"

namespace kov::interp {

// Highest line number a text program may use.
inline constexpr uint32_t kMaxTextLineNumber = 65279;

// True when every byte is printable (32 and above) or TAB, CR or LF: such
// a file is BASIC text, anything else is taken for a tokenised image.
bool looks_like_text(const std::vector<uint8_t>& bytes);

struct TextLoadResult {
    std::vector<uint8_t> image;  // the lines and the end marker; empty on error
    std::string error;           // "file:line: what is wrong", empty on success
    std::vector<uint32_t> text_lines;   // the text line (from 1) of each program line
};

// Tokenise a text program, one BASIC line per text line (LF, CR LF or CR
// ends a line). A line may start with a line number; one without gets 0.
// Leading blanks and empty lines are dropped. Numbered lines must ascend.
// `file_name` only goes into error texts.
TextLoadResult tokenise_program(std::string_view text, std::string_view file_name);

// Loads a program file through the one loader with this tokeniser: the
// command line, CHAIN and INSTALL all come here.
os::LoadedProgram load_program_file(const std::string& name, size_t max_image_bytes,
                                    os::Separators separators = os::Separators::Native);

// Turns a failed load into the BASIC error CHAIN and INSTALL give: a name
// that does not open, or a directory, is "File or path not found"; too big
// is "No room"; text that does not load is `bad_text` when given, else error 255 with the loader's message. Returns when it loaded.
void raise_load_failure(const os::LoadedProgram& loaded, std::optional<Err> bad_text = std::nullopt);

// List a program image as text, one "number body" line per program line
// (the number right-aligned in five columns; lines numbered 0 without it),
// up to the end marker. Never reads outside [image, image + size): a
// damaged image stops the listing and sets `error`.
std::string list_program(const uint8_t* image, size_t size, std::string& error);

}  // namespace kov::interp
