#include "linkfixture.h"

#include <mmsystem.h>

#include "../../../common/registry.h"
#include "../../../common/uiseam.h"
#include "../../../driver/devicelink/devicelink.h"
#include "../../../driver/devicelink/messages.h"
#include "wait.h"

std::vector<ShownMessage> LinkFixture::messages;

namespace {

int WINAPI RecordMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    LinkFixture::messages.push_back({caption ? caption : "", text ? text : "", type});
    return IDOK;
}

int WINAPI RecordWideMessageBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
    char narrowText[1024], narrowCaption[256];
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrowText, sizeof narrowText, nullptr, nullptr);
    WideCharToMultiByte(CP_ACP, 0, caption, -1, narrowCaption, sizeof narrowCaption, nullptr, nullptr);
    return RecordMessageBox(nullptr, narrowText, narrowCaption, type);
}

void DeleteKeyTree(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char child[256];
    while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS) DeleteKeyTree(root, path + "\\" + child);
    RegCloseKey(key);
    RegDeleteKeyA(root, path.c_str());
}

}  // namespace

void ClearProductRegistry() { DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brevane_org"); }

void LinkFixture::SetUp() {
    ASSERT_TRUE(sim.Connected()) << "the simulator's control port (ORVIK_SIM_PORT) does not answer";
    ASSERT_TRUE(sim.Run("reset"));
    ClearProductRegistry();
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 5);
    messages.clear();
    g_ui.messageBoxA = RecordMessageBox;
    g_ui.messageBoxW = RecordWideMessageBox;
    AllowPrompts();
}

void LinkFixture::TearDown() {
    g_ui.messageBoxA = MessageBoxA;
    g_ui.messageBoxW = MessageBoxW;
}

std::vector<Bytes> LinkFixture::TakeNodes(size_t count, DWORD timeoutMs) {
    std::vector<Bytes> nodes;
    static ReceiveQueueNode node;
    WaitUntil(
        [&] {
            while (nodes.size() < count && TakeHeadNode(&node))
                if (!node.sweep) nodes.push_back(Bytes(node.data, node.data + node.count));
            return nodes.size() >= count;
        },
        timeoutMs);
    return nodes;
}

bool LinkFixture::NothingQueuedBeforeMarker() {
    if (!sim.Run("press 86")) return false;  // VK_F23, which no test types otherwise
    const std::vector<Bytes> nodes = TakeNodes(1);
    return nodes.size() == 1 && nodes[0] == KeyEvent(1, 0x86, false);
}

std::vector<std::string> LinkFixture::ReceivedCommandBytes() { return sim.ReceivedCommands(); }

void LinkFixture::DestroyDeviceLinkObjects() { CloseLinkPort(); }

std::string LinkFixture::Hex(const Bytes& bytes) { return HexBytes(bytes.data(), bytes.size()); }
