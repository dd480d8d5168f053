#pragma once
// What the measuring build of the monitor adds around the real program, without touching it:
// - a backend wrapper that stamps each input report with the time its read returned, on the read
//   thread;
// - a controller wrapper whose devices wrap the data handler that discovery installs, so that the
//   time the handler returns (the record is updated then) can be taken on the main thread;
// - an application-wide event filter that counts paint events per control, telling repaints of a
//   control whose content did not change since its last paint apart from the others.

#include <QObject>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/hid/hid_backend.h"
#include "link/hid/hid_controller.h"

class QWidget;

namespace vmd::measure {

// Latencies of status reports, in nanoseconds, as they reach the records.
struct HandoffLog {
  std::vector<std::int64_t> readToRecord;  // read returned on the read thread -> record updated
  std::vector<std::int64_t> sentToRecord;  // sent by the simulated driver -> record updated
  bool collecting = false;
};

// Stamps every full-length input report with the time the read returned.
std::unique_ptr<HidBackend> CreateStampingBackend(std::unique_ptr<HidBackend> inner);

// The controller as discovery sees it; every data handler installed on one of its devices logs
// the latencies of the status reports it handles into `log`.
std::unique_ptr<HidController> CreateTimingController(std::unique_ptr<HidController> inner,
                                                      HandoffLog& log);

class PaintCounter : public QObject {
 public:
  struct Counts {
    std::uint64_t controls = 0;           // paints of labels, edit boxes and bars
    std::uint64_t unchangedControls = 0;  // ... whose content was as at their last paint
    std::uint64_t containers = 0;         // paints of the window and its frames
    std::map<std::string, std::uint64_t> perControl;
    std::map<std::string, std::uint64_t> unchangedPerControl;
  };
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override;

  // Wall-clock nanoseconds (since 1970) of the first paint event of a window, and of the first
  // moment after it that the event loop was back (the frame painted and flushed); 0 until then.
  std::int64_t firstPaintUnixNs = 0;
  std::int64_t firstFrameUnixNs = 0;
  // Counting of paints runs only while this is set; the first paint is seen regardless.
  bool counting = false;
  Counts counts;

 private:
  std::map<const QWidget*, std::string> lastContent_;
};

}  // namespace vmd::measure
