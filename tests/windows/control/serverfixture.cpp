#include "serverfixture.h"

#include "../../../driver/devicelink/commands.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/mouse.h"
#include "../../../driver/input/sound.h"
#include "../../../driver/service/controlserver.h"
#include "../support/wait.h"

void ControlServerTest::SetUp() {
    DriverLinkTest::SetUp();
    hSettingsWnd = 0;
    bTapEnabled = 1;
    bSoundEnabled = 0;
    ASSERT_TRUE(sim.Run("set powerstate FB"));
    ASSERT_EQ(1, InitSequence());
    ASSERT_FALSE(PlainClient().Connected()) << "another program listens on port 1213";
    ASSERT_EQ(1, StartControlServer());
    client.reset(ConnectWhenListening());
    ASSERT_TRUE(client) << "nothing listens on 127.0.0.1:1213";
    ASSERT_TRUE(sim.Run("clearlog"));
}

void ControlServerTest::TearDown() {
    client.reset();
    StopControlServer();
    EXPECT_FALSE(ControlServerRuns());
    hSettingsWnd = 0;
    DriverLinkTest::TearDown();
}

std::string ControlServerTest::SimValue(const std::string& field) {
    std::vector<std::string> lines;
    if (!sim.Run("get " + field, &lines) || lines.empty()) return "";
    return lines[0].substr(lines[0].find(' ') + 1);
}


bool ControlServerTest::CommandSemaphoreFree() {
    // A command that the server left holding the link would make this one wait for ever.
    unsigned char answer[RESPONSE_BUFFER_SIZE];
    return WriteAllData(GET_POWERSTATE, nullptr, answer, CMD_CLASS_ORDINARY) == 1;
}

NoticeWindow::NoticeWindow()
    : window_(CreateWindowExA(0, "STATIC", "Orvik notice window", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr)) {}

NoticeWindow::~NoticeWindow() { DestroyWindow(window_); }

Bytes NoticeWindow::HandleBytes() const {
    const DWORD value = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(window_));
    return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

int NoticeWindow::TakePosted(UINT message, DWORD timeoutMs) {
    MSG posted;
    const bool taken =
        WaitUntil([&] { return PeekMessageA(&posted, window_, message, message, PM_REMOVE) != 0; }, timeoutMs);
    return taken ? static_cast<int>(posted.wParam) : -1;
}
