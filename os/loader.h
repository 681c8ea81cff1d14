// The one program-file loader: the command line, CHAIN and INSTALL all read
// programs through it. It finds the file by the extension rule, reads at
// most what can fit (a link to /dev/zero or a huge file is refused without
// reading the rest), tells text from a tokenised image, prepares text for
// the tokeniser (a "#!" first line and a UTF-8 byte-order mark are skipped,
// UTF-8 becomes Windows-1252) and hands it to the tokeniser it is given.
// It never throws: every failure comes back as a status and a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kov::os {

enum class LoadStatus {
    Ok,
    NotFound,      // no candidate name opens
    IsDirectory,   // the name is a directory
    TooBig,        // more bytes than can fit
    ReadError,     // the file opened but could not be read
    BadText,       // the text does not convert or tokenise (message names the line)
};

// What the tokeniser gives back for a prepared text program.
struct Tokenised {
    std::vector<uint8_t> image;         // the program format, end marker included
    std::vector<uint32_t> text_lines;   // text line (from 1) of each program line
    std::string error;                  // "file:line: what", empty on success
};

// Turns Windows-1252 text into the program format; `file_name` only goes
// into error texts.
using Tokeniser = std::function<Tokenised(std::string_view text, std::string_view file_name)>;

enum class Separators { Native, AlsoBackslash };

struct LoadRequest {
    std::string name;                // as given; "-" is standard input
    size_t max_image_bytes = 0;      // the largest image that fits
    Separators separators = Separators::Native;
};

struct LoadedProgram {
    LoadStatus status = LoadStatus::NotFound;
    std::string message;                // why it failed, for the user
    std::string path;                   // the name that was opened
    bool text = false;                  // loaded from BASIC text
    std::vector<uint8_t> image;         // the program format
    std::vector<uint32_t> text_lines;   // per program line, its text line (text only)
    bool ok() const { return status == LoadStatus::Ok; }
};

// The names tried for `name`: NAME itself when it has an extension,
// otherwise NAME.kov, NAME.KOV, NAME.bas, then NAME.
std::vector<std::string> candidate_names(const std::string& name);

LoadedProgram load_program(const LoadRequest& request, const Tokeniser& tokenise);

// Reads a whole file of at most `max_bytes` into `bytes` without reading
// further. False with a message when it cannot be opened, is a directory,
// is longer, or fails to read.
LoadStatus read_bounded(const std::string& path, size_t max_bytes, std::vector<uint8_t>& bytes,
                        std::string& message);

// True when every byte is printable (32 and above) or TAB, CR or LF: such
// a file is BASIC text, anything else is taken for a tokenised image.
bool looks_like_text(const std::vector<uint8_t>& bytes);

// Prepares text for the tokeniser: drops a UTF-8 byte-order mark, blanks a
// first line starting "#!" (its line still counts), and converts valid
// UTF-8 with non-ASCII characters to Windows-1252. Text that is not valid
// UTF-8 is taken as Windows-1252 already. False with "file:line: message"
// when a character has no Windows-1252 code.
bool prepare_text(std::string& text, std::string_view file_name, std::string& error);

// Windows-1252 code of a Unicode character, or -1 when it has none.
int windows1252_from_unicode(uint32_t cp);
// Unicode character of a Windows-1252 code (undefined codes map to
// themselves, as C1 controls).
uint32_t unicode_from_windows1252(uint8_t c);
// Appends the UTF-8 form of a Windows-1252 byte.
void append_utf8(std::string& out, uint8_t c);

}  // namespace kov::os
