// The program loader: the extension rule, bounded reads, text preparation
// and the program-line to text-line map.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "interp/program_text.h"
#include "os/loader.h"

namespace fs = std::filesystem;
using namespace kov;

namespace {

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("kov_loader_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string write(const std::string& name, const std::string& bytes) {
        std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string path(const std::string& name) { return (m_dir / name).string(); }
    fs::path m_dir;
};

std::string prepared(std::string text) {
    std::string error;
    EXPECT_TRUE(os::prepare_text(text, "f", error)) << error;
    return text;
}

}  // namespace

TEST(Loader, CandidateNames) {
    EXPECT_EQ(os::candidate_names("a/prog"),
              (std::vector<std::string>{"a/prog.kov", "a/prog.KOV", "a/prog.bas", "a/prog"}));
    EXPECT_EQ(os::candidate_names("prog.txt"), std::vector<std::string>{"prog.txt"});
    // A dot in a directory name is not an extension.
    EXPECT_EQ(os::candidate_names("d.x/prog").front(), "d.x/prog.kov");
    EXPECT_EQ(os::candidate_names("-"), std::vector<std::string>{"-"});
}

TEST(Loader, PrepareText) {
    EXPECT_EQ(prepared("\xEF\xBB\xBFPRINT 1\n"), "PRINT 1\n");
    // The "#!" line is emptied but its line ending stays, so lines keep their numbers.
    EXPECT_EQ(prepared("#!/usr/bin/env kov\nPRINT 1\n"), "\nPRINT 1\n");
    EXPECT_EQ(prepared("\"caf\xC3\xA9 \xE2\x82\xAC \xC5\x93\""), "\"caf\xE9 \x80 \x9C\"");
    // Not valid UTF-8: taken as Windows-1252 already.
    EXPECT_EQ(prepared("caf\xE9 \xC3"), "caf\xE9 \xC3");
    // An overlong encoding is not valid UTF-8 either.
    EXPECT_EQ(prepared("\xC0\xAF\xC3\xA9"), "\xC0\xAF\xC3\xA9");
    std::string text = "PRINT 1\r\nPRINT 2\rPRINT \"\xE2\x98\x83\"\n", error;
    EXPECT_FALSE(os::prepare_text(text, "f.bas", error));
    EXPECT_EQ(error, "f.bas:3: character U+2603 has no Windows-1252 code");
}

TEST(Loader, Windows1252BackToUtf8) {
    std::string out;
    for (int c : {0x41, 0x80, 0x9F, 0xA0, 0xE9, 0xFF, 0x81}) os::append_utf8(out, static_cast<uint8_t>(c));
    EXPECT_EQ(out, "A\xE2\x82\xAC\xC5\xB8\xC2\xA0\xC3\xA9\xC3\xBF\xC2\x81");
    for (int c = 0; c < 256; ++c) {
        uint32_t cp = os::unicode_from_windows1252(static_cast<uint8_t>(c));
        EXPECT_EQ(os::windows1252_from_unicode(cp), c) << c;
    }
}

TEST_F(LoaderTest, ExtensionRuleOrderAndMessage) {
    write("p", "PRINT 3\n");
    write("p.bas", "PRINT 2\n");
    auto loaded = interp::load_program_file(path("p"), 1 << 20);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.path, path("p.bas"));
    write("p.kov", "PRINT 1\n");
    EXPECT_EQ(interp::load_program_file(path("p"), 1 << 20).path, path("p.kov"));
    auto missing = interp::load_program_file(path("q"), 1 << 20);
    EXPECT_EQ(missing.status, os::LoadStatus::NotFound);
    EXPECT_NE(missing.message.find("tried " + path("q.kov") + ", " + path("q.KOV") + ", " + path("q.bas") +
                                   ", " + path("q")),
              std::string::npos)
        << missing.message;
}

TEST_F(LoaderTest, BoundedAndTotal) {
    fs::create_directories(m_dir / "d.bas");
    EXPECT_EQ(interp::load_program_file(path("d.bas"), 1 << 20).status, os::LoadStatus::IsDirectory);
    // An image one byte over the room is refused; exactly the room loads.
    std::string image = std::string("\x05\x0a\x00\xe0\x0d", 5) + std::string("\x00\xff\xff", 3);
    write("img.kov", image);
    EXPECT_EQ(interp::load_program_file(path("img.kov"), image.size()).status, os::LoadStatus::Ok);
    EXPECT_EQ(interp::load_program_file(path("img.kov"), image.size() - 1).status, os::LoadStatus::TooBig);
    // An endless file is refused after reading a bounded amount.
    if (fs::exists("/dev/zero")) {
        auto zero = interp::load_program_file("/dev/zero", 4096);
        EXPECT_EQ(zero.status, os::LoadStatus::TooBig);
    }
    auto utf = write("u.bas", "PRINT \"\xE2\x98\x83\"\n");
    auto bad = interp::load_program_file(utf, 1 << 20);
    EXPECT_EQ(bad.status, os::LoadStatus::BadText);
    EXPECT_EQ(bad.message, utf + ":1: character U+2603 has no Windows-1252 code");
}

TEST_F(LoaderTest, LineMapSkipsBlankLinesAndTheScriptLine) {
    auto p = write("m.bas", "#!/usr/bin/env kov\n\nREM one\n   \n10 PRINT\r\nPRINT\n");
    auto loaded = interp::load_program_file(p, 1 << 20);
    ASSERT_TRUE(loaded.ok()) << loaded.message;
    EXPECT_TRUE(loaded.text);
    EXPECT_EQ(loaded.text_lines, (std::vector<uint32_t>{3, 5, 6}));
    // A tokenised image has no map.
    auto img = write("t.kov", std::string("\x05\x0a\x00\xe0\x0d\x00\xff\xff", 8));
    auto tok = interp::load_program_file(img, 1 << 20);
    ASSERT_TRUE(tok.ok());
    EXPECT_FALSE(tok.text);
    EXPECT_TRUE(tok.text_lines.empty());
}
