#pragma once
// The backend side of the fake system: a QObject so that announcements from any thread arrive on
// the main thread as queued calls.

#include <QObject>

#include "link/hid/fake/fake_hid.h"

namespace vmd::fake {

class FakeHidBackend : public QObject, public HidBackend {
  Q_OBJECT
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
  Q_INVOKABLE void DeliverAnnouncement();

  std::shared_ptr<FakeHidSystem> system_;
  Announcement announce_;
};

}  // namespace vmd::fake
