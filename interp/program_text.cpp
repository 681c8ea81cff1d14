#include "interp/program_text.h"

#include <cstdio>

#include "interp/errors.h"
#include "interp/tokeniser.h"

namespace kov::interp {

namespace {

constexpr uint8_t kCr = 13;

// Longest body that still fits a line: the length byte counts itself, the
// two line-number bytes and the closing CR.
constexpr size_t kMaxBody = 255 - 4;

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Prepare a line body for the tokeniser. A TAB outside double quotes is
// layout and becomes a blank (a bare TAB byte would read as a token); other
// control characters cannot be represented and are refused. Returns the
// offending character, or -1 when the body is fine.
int clean_body(std::string_view raw, std::string& body) {
    body.clear();
    bool quoted = false;
    for (char ch : raw) {
        auto c = static_cast<uint8_t>(ch);
        if (c == '"') quoted = !quoted;
        if (c == '\t') {
            body.push_back(quoted ? '\t' : ' ');
        } else if (c < 32) {
            return c;
        } else {
            body.push_back(ch);
        }
    }
    return -1;
}

}  // namespace

bool looks_like_text(const std::vector<uint8_t>& bytes) { return os::looks_like_text(bytes); }

os::LoadedProgram load_program_file(const std::string& name, size_t max_image_bytes,
                                    os::Separators separators) {
    os::LoadRequest request{name, max_image_bytes, separators};
    return os::load_program(request, [](std::string_view text, std::string_view file_name) {
        TextLoadResult r = tokenise_program(text, file_name);
        return os::Tokenised{std::move(r.image), std::move(r.text_lines), std::move(r.error)};
    });
}

TextLoadResult tokenise_program(std::string_view text, std::string_view file_name) {
    TextLoadResult result;
    std::vector<uint8_t>& image = result.image;
    size_t text_line = 0;
    auto fail = [&](const std::string& what) {
        image.clear();
        result.text_lines.clear();
        result.error = std::string(file_name) + ":" + std::to_string(text_line) + ": " + what;
        return result;
    };

    uint32_t last_number = 0;
    std::string body;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++pos;
        ++text_line;

        size_t i = 0;
        while (i < line.size() && is_blank(line[i])) ++i;
        if (i == line.size()) continue;

        // An optional line number; 0 or none marks an unnumbered line.
        uint32_t number = 0;
        size_t digits_start = i;
        while (i < line.size() && is_digit(line[i])) {
            if (number <= kMaxTextLineNumber) number = number * 10 + static_cast<uint32_t>(line[i] - '0');
            ++i;
        }
        if (number > kMaxTextLineNumber) {
            return fail("line number " + std::string(line.substr(digits_start, i - digits_start)) +
                        " is above " + std::to_string(kMaxTextLineNumber));
        }
        if (number != 0) {
            if (number <= last_number) {
                return fail("line number " + std::to_string(number) + " out of order");
            }
            last_number = number;
        }
        while (i < line.size() && is_blank(line[i])) ++i;

        int bad = clean_body(line.substr(i), body);
        if (bad >= 0) return fail("control character " + std::to_string(bad) + " in the line");
        std::string tokens;
        try {
            tokens = tokenise(body, TokStart::Statement, false);
        } catch (const BasicError& e) {
            return fail(e.number == 0 ? "line too long" : e.message);
        }
        if (tokens.size() > kMaxBody) return fail("line too long");

        image.push_back(static_cast<uint8_t>(tokens.size() + 4));
        image.push_back(static_cast<uint8_t>(number & 0xFF));
        image.push_back(static_cast<uint8_t>(number >> 8));
        image.insert(image.end(), tokens.begin(), tokens.end());
        image.push_back(kCr);
        result.text_lines.push_back(static_cast<uint32_t>(text_line));
    }
    image.insert(image.end(), {0x00, 0xFF, 0xFF});
    return result;
}

void raise_load_failure(const os::LoadedProgram& loaded, std::optional<Err> bad_text) {
    switch (loaded.status) {
        case os::LoadStatus::Ok: return;
        case os::LoadStatus::NotFound:
        case os::LoadStatus::IsDirectory:
        case os::LoadStatus::ReadError: raise(214, "File or path not found");
        case os::LoadStatus::TooBig: raise(Err::NoRoom);
        case os::LoadStatus::BadText:
            if (bad_text) raise(*bad_text);
            raise(255, loaded.message);
    }
    raise(214, "File or path not found");
}

std::string list_program(const uint8_t* image, size_t size, std::string& error) {
    std::string out;
    error.clear();
    size_t pos = 0;
    for (;;) {
        if (pos >= size) {
            error = "Bad program: no end marker";
            break;
        }
        size_t len = image[pos];
        if (len == 0) break;
        if (len < 4 || len > size - pos) {
            error = "Bad program: line at offset " + std::to_string(pos) + " has length " +
                    std::to_string(len);
            break;
        }
        if (image[pos + len - 1] != kCr) {
            error = "Bad program: line at offset " + std::to_string(pos) + " does not end with CR";
            break;
        }
        unsigned number = image[pos + 1] | (image[pos + 2] << 8);
        std::string body = detokenise(image + pos + 3, len - 4);
        if (number != 0) {
            char field[8];
            std::snprintf(field, sizeof field, "%5u", number);
            out += field;
            if (!body.empty()) out += ' ';
        } else if (body.empty() || is_digit(body[0])) {
            // Without the 0 such a line would vanish or read as numbered.
            out += body.empty() ? "0" : "0 ";
        }
        out += body;
        out += '\n';
        pos += len;
    }
    return out;
}

}  // namespace kov::interp
