#pragma once
// The backend side of the fake system: announcements from any thread arrive on the main thread.

#include <atomic>

#include "link/hid/fake/fake_hid.h"
#include "link/hid/main_thread_waker.h"

namespace vmd::fake {

class FakeHidBackend : public HidBackend {
 public:
  explicit FakeHidBackend(std::shared_ptr<FakeHidSystem> system);
  ~FakeHidBackend() override;

  std::vector<HidDeviceInfo> Scan() override;
  std::unique_ptr<HidConnection> OpenReadWrite(const std::string& path) override;
  HidCaps ReadCaps(const std::string& path) override;
  void WatchChanges(Announcement announce) override;

  // Any thread (called with the system's lock held).
  void PostAnnouncement();

 private:
  void DeliverAnnouncements();

  std::shared_ptr<FakeHidSystem> system_;
  Announcement announce_;
  std::atomic<int> posted_{0};  // announcements not yet delivered
  MainThreadWaker waker_{[this] { DeliverAnnouncements(); }};
};

}  // namespace vmd::fake
