// The channel service below the interpreter: file names, serial ports
// over a pseudo-terminal pair, the clock's text forms, *DIR patterns and
// the error map.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "host/headless/headless_host.h"
#include "os/channels.h"
#include "os/clock.h"
#include "os/file_commands.h"
#include "os/file_errors.h"
#include "os/file_names.h"
#include "test_support.h"

using namespace kov;
using kov::test::error_of;

namespace {

std::string parsed(std::string_view text, os::NameEnd end = os::NameEnd::String) {
    return os::parse_file_name(text, end, ".KOV").text;
}

}  // namespace

TEST(FileNames, DefaultExtensionFollowsTheLastSeparator) {
    EXPECT_EQ(parsed("DATA"), "DATA.KOV");
    EXPECT_EQ(parsed("DATA."), "DATA.");
    EXPECT_EQ(parsed("DIR.X\\FILE"), "DIR.X\\FILE.KOV");
    EXPECT_EQ(parsed("DIR.X/FILE.TXT"), "DIR.X/FILE.TXT");
    EXPECT_EQ(parsed(""), "");
    // A drive restarts the tracking: nothing after it, nothing added.
    EXPECT_EQ(parsed("C:"), "C:");
    EXPECT_EQ(parsed("C:NAME"), "C:NAME.KOV");
    EXPECT_EQ(os::parse_file_name("C:NAME", os::NameEnd::String, "").drive, 'C');
    // A string argument ends at a CR; a word at a blank or its quote.
    EXPECT_EQ(parsed("AB\rCD"), "AB.KOV");
    EXPECT_EQ(parsed("  one two", os::NameEnd::Word), "one.KOV");
    EXPECT_EQ(parsed("\"one two\" three", os::NameEnd::Word), "one two.KOV");
    EXPECT_EQ(error_of([] { parsed("\"open", os::NameEnd::Word); }), 253);
}

TEST(FileNames, EscapesAndLengthLimits) {
    EXPECT_EQ(parsed("|A|?|||q|!B|!|C"), std::string("\x01\x7f|q\xc2\x83.KOV"));
    EXPECT_EQ(parsed(std::string(251, 'N')).size(), 255u);
    EXPECT_EQ(error_of([] { parsed(std::string(252, 'N')); }), 204);
    EXPECT_EQ(error_of([] { parsed(std::string(256, 'N') + ".X"); }), 204);
    EXPECT_EQ(parsed(std::string(250, 'N') + ".XYZ").size(), 254u);
}

TEST(FileNames, HostPaths) {
    EXPECT_EQ(os::host_path("DIR\\SUB\\F.KOV"), "DIR/SUB/F.KOV");
    EXPECT_EQ(os::host_path("C:\\TMP\\X"), "/TMP/X");
    EXPECT_EQ(os::host_path("DATA."), "DATA");
    EXPECT_EQ(os::host_path(".."), "..");
    EXPECT_EQ(os::host_path("A/.."), "A/..");
}

TEST(FileNames, ExtensionCaseIsFoundOnDisk) {
    char dir[] = "/tmp/kov_names_XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    std::string d = dir;
    std::FILE* f = std::fopen((d + "/DATA.kov").c_str(), "w");
    ASSERT_TRUE(f);
    std::fclose(f);
    EXPECT_EQ(os::resolve_existing(d + "/DATA.KOV"), d + "/DATA.kov");
    // Only the extension may differ in case.
    EXPECT_EQ(os::resolve_existing(d + "/data.KOV"), d + "/data.KOV");
    EXPECT_EQ(os::resolve_existing(d + "/OTHER.KOV"), d + "/OTHER.KOV");
    ::unlink((d + "/DATA.kov").c_str());
    ::rmdir(dir);
}

TEST(DirPatterns, Wildcards) {
    EXPECT_TRUE(os::pattern_matches("*.KOV", "data.kov"));
    EXPECT_TRUE(os::pattern_matches("*.KOV", "A.B.KOV"));
    EXPECT_FALSE(os::pattern_matches("*.KOV", "data.kov2"));
    EXPECT_TRUE(os::pattern_matches("D?T*", "DATA.TXT"));
    EXPECT_FALSE(os::pattern_matches("D?T", "DATA"));
    EXPECT_TRUE(os::pattern_matches("*.*", "NODOT"));
    EXPECT_TRUE(os::pattern_matches("*", ""));
}

TEST(FileErrors, PlatformErrorsMapToTheirNumbers) {
    EXPECT_EQ(os::file_error_for(ENOENT), os::FileErr::FileNotFound);
    EXPECT_EQ(os::file_error_for(EACCES), os::FileErr::AccessDenied);
    EXPECT_EQ(os::file_error_for(EEXIST), os::FileErr::FileExists);
    EXPECT_EQ(os::file_error_for(ENOSPC), os::FileErr::DiskFull);
    EXPECT_EQ(os::file_error_for(EMFILE), os::FileErr::TooManyOpenFiles);
    EXPECT_EQ(os::file_error_for(EROFS), os::FileErr::DiskReadOnly);
    EXPECT_EQ(os::file_error_for(ENOTDIR), os::FileErr::BadDirectory);
    EXPECT_EQ(os::file_error_for(12345), os::FileErr::UnknownError);
    try {
        os::raise_platform(ENOENT);
        FAIL();
    } catch (const BasicError& e) {
        EXPECT_EQ(e.number, 214);
        EXPECT_EQ(e.message, "File or path not found");
    }
}

TEST(Clock, TimeStringForm) {
    host::LocalTime t;
    t.year = 2026, t.month = 12, t.day = 7, t.day_of_week = 1, t.hour = 9, t.minute = 5, t.second = 3;
    EXPECT_EQ(os::format_time(t), "Mon.07 Dec 2026,09:05:03");
    t.year = 987;
    EXPECT_EQ(os::format_time(t).substr(11, 4), "0987");
}

TEST(Clock, AssignmentKeepsTheFieldsNotGiven) {
    host::LocalTime base;
    base.year = 2026, base.month = 12, base.day = 7, base.hour = 9, base.minute = 5, base.second = 3;
    base.millisecond = 500;
    auto apply = [&](std::string_view s) {
        host::LocalTime t = base;
        os::parse_time_assignment(s, t);
        return t;
    };
    host::LocalTime t = apply("Tue.01 Jan 2027,12:30:45");
    EXPECT_EQ(t.day, 1); EXPECT_EQ(t.month, 1); EXPECT_EQ(t.year, 2027);
    EXPECT_EQ(t.hour, 12); EXPECT_EQ(t.minute, 30); EXPECT_EQ(t.second, 45); EXPECT_EQ(t.millisecond, 0);
    // A time alone; then hours and minutes: only the hour is stored.
    t = apply("12:30:00");
    EXPECT_EQ(t.day, 7); EXPECT_EQ(t.hour, 12); EXPECT_EQ(t.minute, 30); EXPECT_EQ(t.second, 0);
    t = apply("12:30");
    EXPECT_EQ(t.hour, 12); EXPECT_EQ(t.minute, 5);
    // Seconds count only when the string ends after them.
    t = apply("12:30:45 pm");
    EXPECT_EQ(t.minute, 30); EXPECT_EQ(t.second, 3);
    // A date alone, month names in any case, the year as written.
    t = apply("01 dEC 26");
    EXPECT_EQ(t.day, 1); EXPECT_EQ(t.month, 12); EXPECT_EQ(t.year, 26); EXPECT_EQ(t.hour, 9);
    // An unknown month stores the day only.
    t = apply("01 Xyz 2027");
    EXPECT_EQ(t.day, 1); EXPECT_EQ(t.month, 12); EXPECT_EQ(t.year, 2026);
    t = apply("no digits");
    EXPECT_EQ(t.day, 7); EXPECT_EQ(t.hour, 9);
}

TEST(SerialSettings, BothForms) {
    host::SerialSettings s;
    EXPECT_TRUE(os::parse_serial_settings("19200,e,7,2", s));
    EXPECT_EQ(s.baud, 19200); EXPECT_EQ(s.parity, 'E'); EXPECT_EQ(s.data_bits, 7); EXPECT_EQ(s.stop_bits, 2);
    s = {};
    EXPECT_TRUE(os::parse_serial_settings("96,n,8,1", s));
    EXPECT_EQ(s.baud, 9600);
    s = {};
    EXPECT_TRUE(os::parse_serial_settings("baud=4800 parity=O data=8 stop=1", s));
    EXPECT_EQ(s.baud, 4800); EXPECT_EQ(s.parity, 'O');
    EXPECT_TRUE(os::parse_serial_settings("", s));
    EXPECT_FALSE(os::parse_serial_settings("9600,x", s));
    EXPECT_FALSE(os::parse_serial_settings("9600,n,8,1,junk", s));
    EXPECT_FALSE(os::parse_serial_settings("speed=9600", s));
}

// A serial channel over a pseudo-terminal pair: the test holds the master
// side, the channel opens the slave as COM1:.
class SerialChannel : public ::testing::Test {
protected:
    void SetUp() override {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(::grantpt(master), 0);
        ASSERT_EQ(::unlockpt(master), 0);
        slave = ::ptsname(master);
        files.set_serial_device(1, slave);
    }
    void TearDown() override {
        files.shutdown();
        ::close(master);
    }
    // Reads what the channel sent, waiting up to a generous bound.
    std::string from_channel(size_t n) {
        std::string out;
        while (out.size() < n) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 10000) <= 0) break;
            char buf[64];
            ssize_t got = ::read(master, buf, sizeof buf);
            if (got <= 0) break;
            out.append(buf, static_cast<size_t>(got));
        }
        return out;
    }

    int master = -1;
    std::string slave;
    host::HeadlessHost host{-1, stdout};
    os::Channels files{kov::test::shared_memory(), host};
};

TEST_F(SerialChannel, BytesTravelBothWays) {
    int ch = files.open("COM1:9600,n,8,1.KOV", os::ChannelMode::Update);
    ASSERT_EQ(ch, 1);
    files.write_byte(ch, 'H');
    files.write_byte(ch, 'i');
    EXPECT_EQ(from_channel(2), "Hi");
    ASSERT_EQ(::write(master, "xyz", 3), 3);
    // EXT# is the number of bytes waiting; wait until all three arrived.
    for (int i = 0; i < 1000 && files.extent(ch) < 3; ++i) ::usleep(10000);
    EXPECT_EQ(files.extent(ch), 3u);
    EXPECT_EQ(files.read_byte(ch), 'x');
    EXPECT_EQ(files.read_byte(ch), 'y');
    EXPECT_EQ(files.extent(ch), 1u);
    EXPECT_EQ(files.read_byte(ch), 'z');
    // Serial channels have no pointer and no end.
    EXPECT_EQ(error_of([&] { files.at_end(ch); }), 222);
    EXPECT_EQ(error_of([&] { files.ptr(ch); }), 222);
    files.close(ch);
    EXPECT_FALSE(files.is_open(ch));
}

TEST_F(SerialChannel, EscapeEndsAWaitingRead) {
    int ch = files.open("COM1:", os::ChannelMode::Input);
    ASSERT_EQ(ch, 1);
    // Nothing is sent: the read waits in slices and sees the Escape.
    host.flags.fetch_or(host::flag::Escape);
    EXPECT_EQ(files.read_byte(ch), 0);
    host.flags.store(0);
}

TEST_F(SerialChannel, BadSettingsAndUnknownPortsGiveNoChannel) {
    EXPECT_EQ(files.open("COM1:9600,q", os::ChannelMode::Update), 0);
    EXPECT_EQ(files.open("COM9:", os::ChannelMode::Update), 0);
    EXPECT_EQ(files.open("LPT1:", os::ChannelMode::Update), 0);
    // CLOSE#0 closes serial channels too.
    ASSERT_EQ(files.open("COM1:", os::ChannelMode::Update), 1);
    files.close(0);
    EXPECT_FALSE(files.is_open(1));
}
