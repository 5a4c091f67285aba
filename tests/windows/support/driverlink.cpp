#include "driverlink.h"

#include "../../../driver/devicelink/commands.h"
#include "../../../driver/devicelink/devicelink.h"
#include "../../../driver/service/lifecycle.h"
#include "../../../driver/service/serviceevents.h"

namespace wire {
const char* const GET_POWERSTATE = "A5 A5 01 00 00 00 1C 02 00 00 69";
const char* const GET_PROJECTEDLAYOUTNUM = "A5 A5 01 00 00 00 3F 02 00 00 8C";
const char* const GET_DEVICEID = "A5 A5 01 00 00 00 0B 02 00 00 58";
const char* const START_ZSM = "A5 A5 01 00 00 00 80 06 00 00 D1";
const char* const SET_POWERSTATE_NORMAL = "A5 A5 01 00 00 00 2F 01 03 00 00 00 FB 79";
const char* const SET_ACTIVELAYOUT_0 = "A5 A5 01 00 00 00 0A 01 03 00 00 00 00 59";
const char* const SET_ACTIVELAYOUT_5 = "A5 A5 01 00 00 00 0A 01 03 00 00 00 05 5E";
}  // namespace wire

void DriverLinkTest::SetUp() {
    LinkFixture::SetUp();
    RegisterDeviceLinkHooks();
    AllowDeviceLinkStart();
    ASSERT_TRUE(CreateServiceEvents());
}

void DriverLinkTest::TearDown() {
    DeInitializeKeyBoard();
    CloseServiceEvents();
    LinkFixture::TearDown();
}

unsigned long DriverLinkTest::PortHeldNow() { return OpenPortNumber(); }
