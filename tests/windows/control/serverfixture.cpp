#include "serverfixture.h"

#include "../../../driver/devicelink/commands.h"
#include "../../../driver/devicelink/devicelink.h"
#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/mouse.h"
#include "../../../driver/input/sound.h"
#include "../../../driver/service/controlserver.h"

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
    EXPECT_EQ(nullptr, g_hServerThread);
    EXPECT_EQ(2, ucServerState);
    hSettingsWnd = 0;
    DriverLinkTest::TearDown();
}

std::string ControlServerTest::SimValue(const std::string& field) {
    std::vector<std::string> lines;
    if (!sim.Run("get " + field, &lines) || lines.empty()) return "";
    return lines[0].substr(lines[0].find(' ') + 1);
}

const DWORD SEMAPHORE_RETURN_MS = 1000;

bool ControlServerTest::CommandSemaphoreFree() {
    // The server replies before it releases the semaphore, so the reply can
    // arrive a moment earlier; a leaked semaphore never comes back.
    if (WaitForSingleObject(ghCommandSemaphore, SEMAPHORE_RETURN_MS) != WAIT_OBJECT_0) return false;
    ReleaseSemaphore(ghCommandSemaphore, 1, nullptr);
    return true;
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
    const DWORD start = GetTickCount();
    MSG posted;
    while (!PeekMessageA(&posted, window_, message, message, PM_REMOVE)) {
        if (GetTickCount() - start > timeoutMs) return -1;
        Sleep(10);
    }
    return static_cast<int>(posted.wParam);
}
