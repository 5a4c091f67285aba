// The wineserver preload that refuses a second open of a pseudo-terminal:
// a probe program runs descriptor operations with it preloaded.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// A pty whose slave nobody in this process holds; the master keeps it alive.
class Pty {
public:
    Pty() {
        int slave = -1;
        char name[64];
        if (openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
            close(slave);
            path_ = name;
        }
    }
    ~Pty() {
        if (master_ >= 0) close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    const std::string& Path() const { return path_; }

private:
    int master_ = -1;
    std::string path_;
};

class PortGuardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(a.Path().empty());
        ASSERT_FALSE(b.Path().empty());
        char folder[] = "/tmp/portguard-test-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        folder_ = folder;
        log_ = folder_ + "/refusals.log";
    }
    void TearDown() override {
        std::remove(log_.c_str());
        rmdir(folder_.c_str());
    }

    // What the probe printed for each operation.
    Lines Probe(const std::string& operations) {
        const std::string command = "LD_PRELOAD='" PORTGUARD_LIBRARY "' ORVIK_PORT_GUARD_LOG='" + log_ +
                                    "' '" PORTGUARD_PROBE "' " + operations;
        Lines results;
        FILE* output = popen(command.c_str(), "r");
        if (!output) return results;
        char line[256];
        while (std::fgets(line, sizeof line, output)) results.emplace_back(line, std::strcspn(line, "\n"));
        EXPECT_EQ(0, pclose(output));
        return results;
    }

    Lines LogLines() {
        Lines lines;
        std::ifstream log(log_);
        for (std::string line; std::getline(log, line);) lines.push_back(line);
        return lines;
    }

    // The device a refusal line names: its second word.
    static std::string DeviceNamed(const std::string& line) {
        const size_t start = line.find(' ') + 1;
        return line.substr(start, line.find(' ', start) - start);
    }

    Pty a, b;
    std::string folder_, log_;
};

TEST_F(PortGuardTest, SecondOpenOfAHeldPtyIsRefusedAndLogged) {
    EXPECT_EQ((Lines{"ok", "EACCES"}), Probe("open " + a.Path() + " open " + a.Path()));
    const Lines log = LogLines();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(a.Path(), DeviceNamed(log[0]));
    EXPECT_NE(std::string::npos, log[0].find(a.Path(), log[0].find(' ') + 1 + a.Path().size()))
        << "the path as opened follows";
}

TEST_F(PortGuardTest, ClosedPtyOpensAgain) {
    EXPECT_EQ((Lines{"ok", "ok", "ok"}), Probe("open " + a.Path() + " close 0 open " + a.Path()));
    EXPECT_EQ(Lines{}, LogLines());
}

TEST_F(PortGuardTest, TwoPtysOpenTogether) {
    EXPECT_EQ((Lines{"ok", "ok"}), Probe("open " + a.Path() + " open " + b.Path()));
    EXPECT_EQ(Lines{}, LogLines());
}

TEST_F(PortGuardTest, OtherDevicesOpenTwice) {
    EXPECT_EQ((Lines{"ok", "ok"}), Probe("open /dev/null open /dev/null"));
}

TEST_F(PortGuardTest, CopiesHoldThePtyUntilTheLastIsClosed) {
    const std::string openA = " open " + a.Path();
    // 0 open, 1 dup of 0, 2 close 0, 3 refused, 4 copy of 1 by fcntl,
    // 5 close 1, 6 refused, 7 close 4, 8 opens.
    EXPECT_EQ((Lines{"ok", "ok", "ok", "EACCES", "ok", "ok", "EACCES", "ok", "ok"}),
              Probe(openA + " dup 0 close 0" + openA + " dupfd 1 close 1" + openA + " close 4" + openA));
    EXPECT_EQ(2u, LogLines().size());
}

TEST_F(PortGuardTest, Dup2OverAHeldDescriptorReleasesItsPty) {
    // 0 holds a, 1 holds b; 2: 0 becomes a copy of b; a is free, b is held twice.
    EXPECT_EQ((Lines{"ok", "ok", "ok", "ok", "EACCES"}),
              Probe("open " + a.Path() + " open " + b.Path() + " dup2 1 0 open " + a.Path() + " open " + b.Path()));
    const Lines log = LogLines();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(b.Path(), DeviceNamed(log[0]));
}

}  // namespace
