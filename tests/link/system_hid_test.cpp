// The HID component over the computer's own devices. Needs no device: whatever is present, the
// first device change comes once the event loop runs, and the list can be walked.
#include "link/hid/system_hid.h"

#include <gtest/gtest.h>

#include "tests/support/event_loop.h"

namespace vmd {
namespace {

TEST(SystemHid, RaisesTheFirstDeviceChangeAndEnumeratesWhatIsPresent) {
  const auto controller = CreateSystemHidController();
  int changes = 0;
  controller->SetDeviceChangeHandler([&] { ++changes; });
  ASSERT_TRUE(testing::SpinUntil([&] { return changes == 1; }));
  int index = 0;
  controller->Enumerate([&](HidDevice& device, int idx) {
    EXPECT_EQ(idx, index++);
    EXPECT_LE(device.ProductString().size(), 254u);
    EXPECT_NE(controller->CheckOutByIndex(idx), nullptr);
    return true;
  });
  testing::ProcessPosted();
  EXPECT_EQ(changes, 1);  // no announcement, no change
}

}  // namespace
}  // namespace vmd
