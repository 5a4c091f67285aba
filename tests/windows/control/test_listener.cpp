// The listener and the message framing: loopback only, one client at a time
// with the others in the backlog, and requests outside the protocol that
// leave the server serving.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "../../../common/packet.h"
#include "../../../driver/input/keyrepeat.h"
#include "../../../driver/service/controlserver.h"
#include "serverfixture.h"

namespace {

TEST_F(ControlServerTest, ListenerIsBoundToTheLoopbackAddressOnly) {
    PlainClient otherLoopbackAddress("127.0.0.2");
    EXPECT_FALSE(otherLoopbackAddress.Connected())
        << "a listener on all addresses would take connections to 127.0.0.2 as well";
    EXPECT_EQ(INVALID_SOCKET, CreateListenerSocket(0)) << "port 0 names no port";
}

TEST_F(ControlServerTest, SecondClientWaitsInTheBacklogUntilTheFirstLeaves) {
    PlainClient second;
    ASSERT_TRUE(second.Connected()) << "the connection completes in the backlog";
    ASSERT_TRUE(second.Send({15, 1}));
    EXPECT_EQ(NO_REPLY, second.Receive(1000)) << "not served while the first client is";
    EXPECT_EQ(REPLY_ONE, Request({13, 1})) << "the first client is still served";
    client.reset();
    EXPECT_EQ(REPLY_ONE, second.Receive(REPLY_WAIT_MS)) << "served once the first has gone";
}

TEST_F(ControlServerTest, RequestsLongerThan512BytesAreRefusedWithZero) {
    Bytes longest(512, 0);
    longest[0] = 15;
    longest[1] = 1;
    EXPECT_EQ(REPLY_ONE, Request(longest)) << "512 bytes are still a request";

    Bytes tooLong(513, 0);
    tooLong[0] = 5;
    tooLong[1] = 1;
    tooLong[2] = 10;
    ApplyKeyRepeatSettings(1, 13, 770);
    EXPECT_EQ(REPLY_ZERO, Request(tooLong));
    EXPECT_EQ(770, CurrentKeyRepeatSettings().holdMs) << "nothing of it is acted on";

    Bytes packetAndTail = CommandPacket(GET_KEYSENSITIVITY);
    packetAndTail.resize(1500, 0xEE);
    EXPECT_EQ(REPLY_ZERO, Request(packetAndTail));
    EXPECT_EQ(std::vector<std::string>{}, Commands()) << "nothing reaches the device";

    EXPECT_EQ(Bytes{0x05}, Request(CommandPacket(GET_KEYSENSITIVITY))) << "the server goes on serving";

    // Longer than one receive: its tail must not be served as a request
    // (a last byte of 8 would stop the driver).
    for (size_t length : {2049u, 5000u}) {
        Bytes overLong(length, 0x11);
        overLong.back() = DEINIT_CMD;
        ASSERT_TRUE(client->Send(overLong));
        EXPECT_EQ(REPLY_ZERO, client->Receive(REPLY_WAIT_MS)) << length << " bytes: refused once, whole";
        EXPECT_EQ(Bytes{}, client->Receive(500)) << length << " bytes: no second reply";
        EXPECT_TRUE(ControlServerRuns()) << "the server still runs";
        EXPECT_EQ(Bytes{0x05}, Request(CommandPacket(GET_KEYSENSITIVITY))) << "and serves";
    }
}

TEST_F(ControlServerTest, TruncatedControlMessagesReadZerosAndTheServerGoesOn) {
    EXPECT_EQ(REPLY_ZERO, Request({5})) << "no rate: refused";
    EXPECT_EQ(REPLY_ZERO, Request({12})) << "no port";
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("Please select an available serial port in the Connection Settings option before attempting to "
              "connect to the Tavelin.",
              messages[0].text);
    hSettingsWnd = reinterpret_cast<HWND>(0x1234);
    EXPECT_EQ(REPLY_ONE, Request({11}));
    EXPECT_EQ(nullptr, hSettingsWnd);
    EXPECT_EQ(Bytes{0x05}, Request(CommandPacket(GET_KEYSENSITIVITY)));
}

// The Linux side of the machine sees the Wine program's listener as its own
// socket. A Linux program started from here checks the bound address with
// ss and sends a request with bash's /dev/tcp.
class LinuxSide {
public:
    LinuxSide() {
        char directory[64];
        std::snprintf(directory, sizeof directory, "/tmp/orvik-control-%lu", GetCurrentProcessId());
        unixDirectory_ = directory;
        windowsDirectory_ = "Z:" + unixDirectory_;
        for (char& c : windowsDirectory_)
            if (c == '/') c = '\\';
        CreateDirectoryA(windowsDirectory_.c_str(), nullptr);
    }
    ~LinuxSide() {
        DeleteFileA((windowsDirectory_ + "\\out").c_str());
        DeleteFileA((windowsDirectory_ + "\\done").c_str());
        RemoveDirectoryA(windowsDirectory_.c_str());
    }

    // Runs `script` with /bin/bash; its output, or false when no Linux
    // program can be started (not under Wine) or it did not finish.
    bool Run(const std::string& script, std::string* output) {
        std::string command = "/bin/bash -c \"(" + script + ") >" + unixDirectory_ + "/out 2>&1; touch " +
                              unixDirectory_ + "/done\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return false;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        // The Linux process is not a Windows one to wait for: its marker file says when it is done.
        const std::string done = windowsDirectory_ + "\\done";
        if (!WaitUntil([&done] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000))
            return false;
        FILE* file = std::fopen((windowsDirectory_ + "\\out").c_str(), "rb");
        if (!file) return false;
        char buffer[8192];
        const size_t got = std::fread(buffer, 1, sizeof buffer, file);
        std::fclose(file);
        output->assign(buffer, got);
        return true;
    }

private:
    std::string unixDirectory_;
    std::string windowsDirectory_;
};

TEST_F(ControlServerTest, LinuxSideSeesOnlyTheLoopbackListenerAndIsServed) {
    if (GetFileAttributesA("Z:\\bin\\bash") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "not under Wine";
    client.reset();  // else the Linux client would wait in the backlog
    LinuxSide linuxSide;
    std::string output;
    ASSERT_TRUE(linuxSide.Run("/usr/bin/ss -ltn; exec 3<>/dev/tcp/127.0.0.1/1213; "
                          "printf '\\x05\\x01\\x1e\\x00\\xf4\\x01' >&3; echo reply=$(timeout 5 head -c 1 <&3)",
                          &output));
    std::istringstream lines(output);
    std::string line;
    int loopback = 0, elsewhere = 0;
    bool replied = false;
    while (std::getline(lines, line)) {
        if (line.find(":1213 ") != std::string::npos)
            ++(line.find("127.0.0.1:1213 ") != std::string::npos ? loopback : elsewhere);
        if (line == "reply=1") replied = true;
    }
    EXPECT_EQ(1, loopback) << output;
    EXPECT_EQ(0, elsewhere) << output;
    EXPECT_TRUE(replied) << output;
    EXPECT_EQ(33, CurrentKeyRepeatSettings().intervalMs);
    EXPECT_EQ(500, CurrentKeyRepeatSettings().holdMs);
}

}  // namespace
