#pragma once
// In-memory HID devices for tests, tools and benchmarks. The component's real controller and read
// threads run over them: devices are plugged and unplugged, answer writes through a replier, and
// keep every byte written to them. Thread-safe: input and plugging may come from any thread.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "link/hid/hid_backend.h"
#include "link/hid/hid_controller.h"

namespace vmd::fake {

using Bytes = std::vector<std::uint8_t>;

struct FakeHidDeviceTraits {
  std::u16string productString;  // as the device reports it, zero units and all
  std::uint16_t vendorId = 0x1234;
  std::uint16_t productId = 0x0001;
  bool readWrite = true;  // whether it can be opened for reading and writing
  bool queryable = true;  // whether it can be opened at all; one that cannot is never listed
  HidCaps caps{65, 65};
};

class FakeHidDevice {
 public:
  // Called on the writing (main) thread for every report written while plugged in; the reports it
  // returns arrive as input reports, in order.
  using Replier = std::function<std::vector<Bytes>(std::span<const std::uint8_t> written)>;

  explicit FakeHidDevice(FakeHidDeviceTraits traits, std::string path);

  const FakeHidDeviceTraits& Traits() const { return traits_; }
  const std::string& Path() const { return path_; }
  bool Plugged() const;

  void SetReplier(Replier replier);
  // An input report (report-ID byte first), from any thread.
  void SendInput(Bytes report);
  // Every report written to the device, plugged in or not, byte for byte.
  std::vector<Bytes> Writes() const;
  void SetWritesFail(bool fail);
  void SetReadWrite(bool readWrite);  // for later open attempts

  // Reads that returned a report so far; waits until at least `count` have (false on time-out).
  bool WaitForReportsRead(std::size_t count, int timeoutMs) const;
  std::size_t ReportsRead() const;
  // Read calls made so far, reports or not: a reader that ended makes no more.
  std::size_t ReadCalls() const;
  // Connections currently open for reading and writing.
  int OpenConnections() const;

  // For the fake backend.
  int Read(std::span<std::uint8_t> buffer, int timeoutMs);
  int Write(std::span<const std::uint8_t> report);
  bool OpenReadWrite();
  void CloseConnection();
  void SetPlugged(bool plugged);

 private:
  const FakeHidDeviceTraits traits_;
  const std::string path_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool plugged_ = true;
  bool readWrite_;
  bool writesFail_ = false;
  int openConnections_ = 0;
  std::size_t reportsRead_ = 0;
  std::size_t readCalls_ = 0;
  std::vector<Bytes> input_;
  std::vector<Bytes> writes_;
  Replier replier_;
};

class FakeHidBackend;

// The computer's set of HID devices. Plugging and unplugging announces the change to every
// backend made from it (on the main thread), as the system would.
class FakeHidSystem : public std::enable_shared_from_this<FakeHidSystem> {
 public:
  std::shared_ptr<FakeHidDevice> Plug(FakeHidDeviceTraits traits, bool announce = true);
  void Unplug(const std::shared_ptr<FakeHidDevice>& device, bool announce = true);
  // A system announcement, from any thread; delivered on the main thread.
  void Announce();

  std::vector<std::shared_ptr<FakeHidDevice>> Present() const;
  std::shared_ptr<FakeHidDevice> Find(const std::string& path) const;
  int Scans() const;

  // For FakeHidBackend.
  void CountScan();
  void AddListener(FakeHidBackend* backend);
  void RemoveListener(FakeHidBackend* backend);

 private:
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<FakeHidDevice>> present_;
  std::vector<FakeHidBackend*> listeners_;
  int nextNumber_ = 0;
  int scans_ = 0;
};

std::unique_ptr<HidBackend> CreateFakeHidBackend(std::shared_ptr<FakeHidSystem> system);
// The HID component over the fake system: the same controller as over the real one.
std::unique_ptr<HidController> CreateFakeHidController(std::shared_ptr<FakeHidSystem> system);

}  // namespace vmd::fake
