// Assembler byte tests: every tests/asm/*.txt file holds lines
//     SOURCE => HEX BYTES        (or  SOURCE => !N  for error number N)
// optionally followed by "@noas" (no GNU as counterpart) or "@as TEXT"
// (the GNU spelling when the mechanical translation does not fit).
// Each source is tokenised and assembled at P% = &10000 + 16 * line; the
// bytes must be exactly the expected ones. A second test assembles the
// same lines with GNU `as --32` (Intel syntax) and requires objdump to
// decode our bytes and as's bytes to the same instruction.
//
// KOV_ASM_REGEN=1 rewrites the expected bytes from what the assembler
// produces (for adding new lines; the cross-check then vets them).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "interp/tokeniser.h"

namespace fs = std::filesystem;
using namespace kov;

namespace {

constexpr uint32_t kBase = 0x10000;

// A host with a small expression reader: decimal and &hex numbers joined
// by + and -, P% (the current P%), and quoted strings.
class TestHost : public asmx::AsmHost {
public:
    explicit TestHost(interp::Memory& m) : mem(m) {}
    bool evaluate(const uint8_t*& p, int32_t& value, std::string& text) override {
        while (*p == ' ') ++p;
        if (*p == '"') {
            ++p;
            while (*p != '"' && *p != 13) text.push_back(static_cast<char>(*p++));
            if (*p == '"') ++p;
            return false;
        }
        int64_t total = 0;
        int sign = 1;
        bool any = false;
        for (;;) {
            while (*p == ' ') ++p;
            if (*p == '-') { sign = -sign; ++p; continue; }
            if (*p == '+') { ++p; continue; }
            int64_t v = 0;
            if (*p == '&') {
                ++p;
                if (!isxdigit(*p)) throw std::runtime_error("bad hex");
                while (isxdigit(*p)) { v = v * 16 + (isdigit(*p) ? *p - '0' : (toupper(*p) - 'A' + 10)); ++p; }
            } else if (isdigit(*p)) {
                while (isdigit(*p)) v = v * 10 + (*p++ - '0');
            } else if (p[0] == 'P' && p[1] == '%') {
                v = mem.fixed32(asmx::kPcOffset);
                p += 2;
            } else {
                if (!any) raise(Err::SyntaxError);
                break;
            }
            total += sign * v;
            sign = 1;
            any = true;
            while (*p == ' ') ++p;
            if (*p != '+' && *p != '-') break;
        }
        value = static_cast<int32_t>(total);
        return true;
    }
    void set_label(const uint8_t*& p, int32_t, bool) override {
        while (interp::is_name_char(*p) || *p == '%') ++p;
    }
    uint32_t system_address(std::string_view name) override { return name == "strlen" ? 0x7F000010u : 0; }
    void store_byte(uint32_t addr, uint8_t b) override { bytes.push_back(b); last = addr; }
    void list_char(uint8_t c) override {
        listing.push_back(static_cast<char>(c));
        ++column;
    }
    void list_newline() override {
        listing.push_back('\n');
        column = 0;
    }
    uint32_t list_column() override { return column; }
    std::string source_text(const uint8_t* p, size_t len) override {
        return interp::detokenise(p, len);
    }
    interp::Memory& mem;
    std::vector<uint8_t> bytes;
    std::string listing;
    uint32_t column = 0;
    uint32_t last = 0;
};

struct Case {
    std::string source;
    std::string expect;   // hex bytes or "!N"
    std::string as_text;  // GNU spelling, "" = translate, "-" = none
    int line = 0;
};

std::string trim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return s.substr(i);
}

std::vector<Case> read_cases(const fs::path& file) {
    std::vector<Case> out;
    std::ifstream in(file);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        if (trim(line).empty() || trim(line)[0] == '#') continue;
        Case c;
        c.line = n;
        size_t arrow = line.find("=>");
        if (arrow == std::string::npos) { ADD_FAILURE() << file << ":" << n << ": no =>"; continue; }
        c.source = trim(line.substr(0, arrow));
        std::string rest = line.substr(arrow + 2);
        size_t at = rest.find('@');
        if (at != std::string::npos) {
            std::string tag = rest.substr(at + 1);
            if (tag.rfind("noas", 0) == 0) c.as_text = "-";
            else if (tag.rfind("as ", 0) == 0) c.as_text = trim(tag.substr(3));
            rest = rest.substr(0, at);
        }
        c.expect = trim(rest);
        out.push_back(c);
    }
    return out;
}

// Assembles one source line at `pc`: the bytes as hex, or "!N".
std::string assemble(const std::string& source, uint32_t pc, uint8_t options, std::string* listing = nullptr) {
    interp::Memory mem;
    TestHost host(mem);
    asmx::Assembler as(mem, host);
    as.set_options(options);
    mem.set_fixed32(asmx::kPcOffset, pc);
    std::string tok = interp::tokenise(source, interp::TokStart::Statement, false);
    tok.push_back('\r');
    try {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(tok.data());
        for (;;) {
            p = as.statement(p);
            if (*p == ':') { ++p; continue; }
            break;
        }
    } catch (const BasicError& e) {
        return "!" + std::to_string(e.number);
    }
    if (listing) *listing = host.listing;
    std::string hex;
    char buf[4];
    for (uint8_t b : host.bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        if (!hex.empty()) hex.push_back(' ');
        hex += buf;
    }
    return hex;
}

std::vector<fs::path> group_files() {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(fs::path(KOV_SOURCE_DIR) / "tests" / "asm"))
        if (e.path().extension() == ".txt") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(AsmBytes, EveryGroupFile) {
    const bool regen = std::getenv("KOV_ASM_REGEN") != nullptr;
    size_t total = 0;
    for (const fs::path& file : group_files()) {
        std::vector<Case> cases = read_cases(file);
        std::vector<std::string> got;
        for (size_t i = 0; i < cases.size(); ++i) {
            std::string bytes = assemble(cases[i].source, kBase + 16 * static_cast<uint32_t>(i), 3);
            got.push_back(bytes);
            if (!regen) {
                EXPECT_EQ(bytes, cases[i].expect) << file.filename() << ":" << cases[i].line << ": " << cases[i].source;
            }
        }
        total += cases.size();
        if (regen) {
            std::ifstream in(file);
            std::stringstream all;
            std::string line;
            size_t k = 0;
            int n = 0;
            while (std::getline(in, line)) {
                ++n;
                if (k < cases.size() && cases[k].line == n) {
                    size_t at = line.find('@');
                    std::string tail = at == std::string::npos ? "" : "  " + line.substr(at);
                    std::string src = cases[k].source;
                    if (src.size() < 32) src.resize(32, ' ');
                    line = src + " => " + got[k] + tail;
                    ++k;
                }
                all << line << "\n";
            }
            std::ofstream(file) << all.str();
        }
    }
    EXPECT_GE(total, 1500u);
}

// ---- the cross-check with GNU as and objdump ----

bool have_tool(const char* name) {
    std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

std::string run(const std::string& cmd) {
    std::string out;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    pclose(f);
    return out;
}

bool jump_like(const std::string& mn) {
    static const char* kJumps[] = {"JMP", "JMPS", "CALL", "LOOP", "JCXZ", "JECXZ"};
    for (const char* j : kJumps) if (mn.rfind(j, 0) == 0) return true;
    return mn.size() >= 2 && mn[0] == 'J';
}

// Our syntax to GNU Intel syntax.
std::string to_gas(const std::string& src) {
    std::string s;
    for (size_t i = 0; i < src.size(); ++i) {
        char c = src[i];
        if (c == '&') { s += "0x"; continue; }
        if ((c == 'S' || c == 's') && i + 2 < src.size() && (src[i + 1] == 'T' || src[i + 1] == 't') &&
            isdigit(static_cast<unsigned char>(src[i + 2])) && (i == 0 || !isalnum(static_cast<unsigned char>(src[i - 1])))) {
            s += "st(";
            s += src[i + 2];
            s += ")";
            i += 2;
            continue;
        }
        s += c;
    }
    // GNU as picks the short or near form itself.
    for (const char* w : {" NEAR ", " SHORT "}) {
        size_t at = s.find(w);
        if (at != std::string::npos) s.erase(at, std::strlen(w) - 1);
    }
    // Relative targets are absolute addresses: make them section-relative.
    std::string mn = s.substr(0, s.find(' '));
    for (auto& ch : mn) ch = static_cast<char>(toupper(ch));
    if (jump_like(mn) && s.find('[') == std::string::npos) {
        size_t sp = s.rfind(' ');
        std::string target = s.substr(sp + 1);
        if (!target.empty() && isdigit(static_cast<unsigned char>(target[0]))) {
            s = s.substr(0, sp + 1) + "start+(" + target + "-" + std::to_string(kBase) + ")";
        }
    }
    return s;
}

std::vector<uint8_t> parse_hex(const std::string& h) {
    std::vector<uint8_t> out;
    std::istringstream in(h);
    std::string b;
    while (in >> b) out.push_back(static_cast<uint8_t>(std::stoul(b, nullptr, 16)));
    return out;
}

// objdump's text for the instruction at each 16-byte slot.
std::map<uint32_t, std::string> decode(const std::string& bin) {
    std::map<uint32_t, std::string> out;
    std::string text = run("objdump -D -b binary -m i386 -M intel --insn-width=16 --adjust-vma=" +
                           std::to_string(kBase) + " " + bin);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        size_t colon = line.find(":\t");
        if (colon == std::string::npos) continue;
        uint32_t addr = static_cast<uint32_t>(std::stoul(line.substr(0, colon), nullptr, 16));
        if ((addr - kBase) % 16) continue;
        size_t tab = line.find('\t', colon + 2);
        if (tab == std::string::npos) continue;
        std::string insn = line.substr(tab + 1);
        // Collapse blanks.
        std::string norm;
        for (char c : insn) {
            if (c == ' ' || c == '\t') { if (!norm.empty() && norm.back() != ' ') norm.push_back(' '); }
            else norm.push_back(c);
        }
        out[addr] = trim(norm);
    }
    return out;
}

TEST(AsmBytes, AgreeWithGnuAs) {
    if (!have_tool("as") || !have_tool("objdump") || !have_tool("objcopy")) GTEST_SKIP() << "binutils not installed";
    fs::path dir = fs::temp_directory_path() / ("kov_asm_" + std::to_string(getpid()));
    fs::create_directories(dir);
    size_t checked = 0;
    for (const fs::path& file : group_files()) {
        std::vector<Case> cases = read_cases(file);
        std::string gas = ".intel_syntax noprefix\n.code32\n.text\nstart:\n";
        std::vector<uint8_t> ours(16 * cases.size(), 0x90);
        std::vector<bool> use(cases.size(), false);
        for (size_t i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            if (c.as_text == "-" || c.expect.empty() || c.expect[0] == '!') continue;
            std::vector<uint8_t> b = parse_hex(c.expect);
            if (b.size() > 15) continue;
            std::copy(b.begin(), b.end(), ours.begin() + static_cast<long>(16 * i));
            gas += ".org start+" + std::to_string(16 * i) + ", 0x90\n";
            gas += (c.as_text.empty() ? to_gas(c.source) : c.as_text) + "\n";
            use[i] = true;
        }
        gas += ".org start+" + std::to_string(16 * cases.size()) + ", 0x90\n";
        std::string stem = (dir / file.stem()).string();
        std::ofstream(stem + ".s") << gas;
        std::ofstream(stem + ".ours", std::ios::binary).write(reinterpret_cast<const char*>(ours.data()),
                                                               static_cast<long>(ours.size()));
        std::string err = run("as --32 -o " + stem + ".o " + stem + ".s 2>&1");
        ASSERT_TRUE(err.empty()) << file.filename() << ": as failed:\n" << err;
        run("objcopy -O binary -j .text " + stem + ".o " + stem + ".as");
        std::map<uint32_t, std::string> a = decode(stem + ".ours");
        std::map<uint32_t, std::string> g = decode(stem + ".as");
        for (size_t i = 0; i < cases.size(); ++i) {
            if (!use[i]) continue;
            uint32_t addr = kBase + 16 * static_cast<uint32_t>(i);
            EXPECT_EQ(a[addr], g[addr]) << file.filename() << ":" << cases[i].line << ": " << cases[i].source;
            ++checked;
        }
    }
    fs::remove_all(dir);
    EXPECT_GE(checked, 1400u);
}

// ---- the edge cases and the listing ----

TEST(AsmEdges, ImmediateFormsAndSib) {
    EXPECT_EQ(assemble("ADD EBX,1", kBase, 3), "83 C3 01");
    EXPECT_EQ(assemble("ADD EBX,1000", kBase, 3), "81 C3 E8 03 00 00");
    EXPECT_EQ(assemble("ADD EAX,1", kBase, 3), "05 01 00 00 00");
    EXPECT_EQ(assemble("MOV EAX,[EBX+ESI*4+8]", kBase, 3), "8B 44 B3 08");
    EXPECT_EQ(assemble("MOV EAX,[EBX+ESI*4+800]", kBase, 3), "8B 84 B3 20 03 00 00");
    EXPECT_EQ(assemble("MOV EAX,[EBX+4*ESI+8]", kBase, 3), "8B 44 B3 08");
    EXPECT_EQ(assemble("MOV EAX,8[EBX]", kBase, 3), "8B 43 08");
    EXPECT_EQ(assemble("MOV EAX,[EBP]", kBase, 3), "8B 45 00");
    EXPECT_EQ(assemble("MOV EAX,[ESP]", kBase, 3), "8B 04 24");
    EXPECT_EQ(assemble("MOV EAX,[EBX*3]", kBase, 3), "!16");
    EXPECT_EQ(assemble("MOV EAX,[ESP*2]", kBase, 3), "!16");
}

TEST(AsmEdges, SizeRules) {
    EXPECT_EQ(assemble("INC [EBX]", kBase, 3), "!2");
    EXPECT_EQ(assemble("INC DWORD PTR [EBX]", kBase, 3), "FF 03");
    EXPECT_EQ(assemble("INC DWORD [EBX]", kBase, 3), "FF 03");
    EXPECT_EQ(assemble("MOV EAX,BX", kBase, 3), "!53");
    EXPECT_EQ(assemble("MOV EAX,WORD [EBX]", kBase, 3), "!53");
    EXPECT_EQ(assemble("MOVZX EAX,BX", kBase, 3), "0F B7 C3");
    EXPECT_EQ(assemble("MOVZX EAX,[EBX]", kBase, 3), "!2");
    EXPECT_EQ(assemble("IN AX,DX", kBase, 3), "66 ED");
    EXPECT_EQ(assemble("FLD WORD [EBX]", kBase, 3), "!53");
    EXPECT_EQ(assemble("FLD [EBX]", kBase, 3), "!2");
    EXPECT_EQ(assemble("MOV AL,EBX", kBase, 3), "!16");
}

TEST(AsmEdges, DataAndRanges) {
    EXPECT_EQ(assemble("DB \"abc\"", kBase, 3), "61 62 63");
    EXPECT_EQ(assemble("DD &12345678", kBase, 3), "78 56 34 12");
    EXPECT_EQ(assemble("DW &1234", kBase, 3), "34 12");
    EXPECT_EQ(assemble("DB 255", kBase, 3), "FF");
    EXPECT_EQ(assemble("DB -1", kBase, 3), "FF");
    EXPECT_EQ(assemble("DB 300", kBase, 3), "!1");
    EXPECT_EQ(assemble("DB 300", kBase, 1), "2C");
    EXPECT_EQ(assemble("DD \"ab\"", kBase, 3), "!6");
    EXPECT_EQ(assemble("ADD AL,300", kBase, 3), "!1");
    EXPECT_EQ(assemble("MOV EAX,\"x\"", kBase, 3), "!6");
    EXPECT_EQ(assemble("NOP", 0xFFFF, 3), "!8");
}

TEST(AsmEdges, JumpsAndLoops) {
    EXPECT_EQ(assemble("JE &10010", kBase, 3), "74 0E");
    EXPECT_EQ(assemble("JE &10200", kBase, 3), "!1");
    EXPECT_EQ(assemble("JE &10200", kBase, 1), "74 FE");
    EXPECT_EQ(assemble("JE NEAR &10200", kBase, 3), "0F 84 FA 01 00 00");
    EXPECT_EQ(assemble("JMP &10200", kBase, 3), "E9 FB 01 00 00");
    EXPECT_EQ(assemble("JMP SHORT &10010", kBase, 3), "EB 0E");
    EXPECT_EQ(assemble("LOOP &10000", kBase, 3), "E2 FE");
    EXPECT_EQ(assemble("JCXZ &10000", kBase, 3), "67 E3 FD");
    EXPECT_EQ(assemble("JECXZ &10000", kBase, 3), "E3 FE");
    EXPECT_EQ(assemble("CALL \"strlen\"", kBase, 3), "E8 0B 00 FF 7E");
    EXPECT_EQ(assemble("CALL \"nosuch\"", kBase, 3), "!51");
    EXPECT_EQ(assemble("JMP FAR [EBX]", kBase, 3), "FF 2B");
    EXPECT_EQ(assemble("REP MOVSB", kBase, 3), "F3 A4");
    EXPECT_EQ(assemble("MOV EAX,FS:[EBX]", kBase, 3), "64 8B 03");
}

TEST(AsmEdges, StatementShape) {
    EXPECT_EQ(assemble("NOP ]", kBase, 3), "90");
    EXPECT_EQ(assemble("NOP ; a comment", kBase, 3), "90");
    EXPECT_EQ(assemble("NOP \\ a comment: NOP", kBase, 3), "90 90");
    EXPECT_EQ(assemble("NOP EAX", kBase, 3), "!16");
    EXPECT_EQ(assemble("NOP X", kBase, 3), "!16");
    EXPECT_EQ(assemble("FROB EAX", kBase, 3), "!16");
    EXPECT_EQ(assemble("and eax,ebx", kBase, 3), "21 D8");
    EXPECT_EQ(assemble("INTO", kBase, 3), "CE");
    EXPECT_EQ(assemble("FNINIT: WAIT: CALLF [EAX]", kBase, 3), "DB E3 9B FF 18");
    EXPECT_EQ(assemble("NOT DWORD PTR [EAX]: OR AL,1: DIV ECX: INT 3: INT 33", kBase, 3),
              "F7 10 0C 01 F7 F1 CC CD 21");
    EXPECT_EQ(assemble("OPT 0: DB 300", kBase, 3), "2C");
}

TEST(AsmListing, Columns) {
    std::string l;
    EXPECT_EQ(assemble(".lab MOV EAX,1", kBase, 3, &l), "B8 01 00 00 00");
    EXPECT_EQ(l, "00010000 B8 01 00 00 00       .lab      MOV EAX,1\n");
    // Eight bytes: seven on the first line, the rest from column 9.
    EXPECT_EQ(assemble("MOV DWORD [EBX+ESI*4+8],&12345678", kBase, 3, &l), "C7 44 B3 08 78 56 34 12");
    EXPECT_EQ(l,
              "00010000 C7 44 B3 08 78 56 34 \n"
              "         12                             MOV DWORD [EBX+ESI*4+8],&12345678\n");
}

}  // namespace
