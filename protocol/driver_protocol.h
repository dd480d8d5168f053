#pragma once
// The driver's commands and replies, and the records that hold what it last reported.
//
// Output report: [HID_OUTPUT_REPORT_ID, command, 0, ...], as long as the device's output report.
// Input report: [report ID, D0, D1, ...]; D0 repeats the command code of the request.
//   Info reply (D0 = 10):   D1 device version x 100 (i8), D2... info text (zero-terminated),
//                           D11 hardware version x 100 (i8), D12..D21 TDriverLimits.
//   Status reply (D0 = 11): D1..D28 TDriverStatus.
// All multi-byte fields are little-endian.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vmd {

inline constexpr std::uint8_t CMD_GET_INFO = 10;
inline constexpr std::uint8_t CMD_GET_STATUS = 11;
inline constexpr std::uint8_t HID_OUTPUT_REPORT_ID = 1;

struct TDriverInfo {
  std::string infoText;  // 8-bit text
  float deviceVersion = 0.0f;
  float hardwareVersion = 0.0f;
  friend bool operator==(const TDriverInfo&, const TDriverInfo&) = default;
};

#pragma pack(push, 1)
// Full-scale values against which the bars are drawn. Wire layout = memory layout.
struct TDriverLimits {
  std::uint32_t supplyMax = 0;       // mV
  std::uint16_t temperatureMax = 0;  // degrees C
  std::uint16_t pwmMax = 0;          // unit of pwmAct and pwmLimit
  std::uint16_t currentMax = 0;      // mA
  friend bool operator==(const TDriverLimits&, const TDriverLimits&) = default;
};
#pragma pack(pop)

// The driver's live state. Wire layout = memory layout: every field already stands at its natural
// alignment, so the record needs no packing and its fields can be used like any others.
struct TDriverStatus {
  std::uint8_t inputs = 0;    // bit 0..3: IN1..IN4
  std::uint8_t outputs = 0;   // bit 3: OUT1 (error), bit 4: OUT2 (current limit)
  std::uint8_t switches = 0;  // bit 0..5: S1..S6
  std::uint8_t reserved = 0;
  std::uint16_t potentiometer = 0;  // 0..3300 for 0..100 %
  std::uint16_t analogInput = 0;    // mV, 5000 full scale
  std::uint8_t errorCode = 0;
  std::uint8_t driverState = 0;
  std::uint16_t temperature = 0;    // degrees C
  std::int32_t currentAct = 0;      // mA
  std::int32_t currentLimit = 0;    // mA
  std::uint32_t supplyVoltage = 0;  // mV
  std::int16_t pwmAct = 0;
  std::int16_t pwmLimit = 0;
  friend bool operator==(const TDriverStatus&, const TDriverStatus&) = default;
};

static_assert(sizeof(TDriverLimits) == 10);
static_assert(offsetof(TDriverLimits, temperatureMax) == 4);
static_assert(offsetof(TDriverLimits, pwmMax) == 6);
static_assert(offsetof(TDriverLimits, currentMax) == 8);
static_assert(sizeof(TDriverStatus) == 28);
static_assert(offsetof(TDriverStatus, potentiometer) == 4);
static_assert(offsetof(TDriverStatus, analogInput) == 6);
static_assert(offsetof(TDriverStatus, errorCode) == 8);
static_assert(offsetof(TDriverStatus, driverState) == 9);
static_assert(offsetof(TDriverStatus, temperature) == 10);
static_assert(offsetof(TDriverStatus, currentAct) == 12);
static_assert(offsetof(TDriverStatus, currentLimit) == 16);
static_assert(offsetof(TDriverStatus, supplyVoltage) == 20);
static_assert(offsetof(TDriverStatus, pwmAct) == 24);
static_assert(offsetof(TDriverStatus, pwmLimit) == 26);

// Data bytes (after the report ID) a reply must carry to be read whole.
inline constexpr std::size_t kInfoReplyDataBytes = 22;    // D0..D21
inline constexpr std::size_t kStatusReplyDataBytes = 29;  // D0..D28

// The output report carrying `payload` after the report ID, exactly `reportLength` bytes long and
// zero-filled: a payload that does not fit is cut, a length of 0 gives an empty report.
std::vector<std::uint8_t> EncodeReport(std::span<const std::uint8_t> payload,
                                       std::size_t reportLength);
std::vector<std::uint8_t> EncodeCommand(std::uint8_t command, std::size_t reportLength);

struct InfoReply {
  TDriverInfo info;
  TDriverLimits limits;
};

// The records a reply carries, read from its data bytes D0... (the report ID split off). Empty when
// D0 is not the reply's code or the reply is shorter than its layout. The info text stops at its
// first zero byte or at the end of `data`.
std::optional<InfoReply> DecodeInfoReply(std::span<const std::uint8_t> data);
std::optional<TDriverStatus> DecodeStatusReply(std::span<const std::uint8_t> data);

// The wire form of the records (data bytes after D0), for simulators and tests.
std::vector<std::uint8_t> EncodeLimits(const TDriverLimits& limits);
std::vector<std::uint8_t> EncodeStatus(const TDriverStatus& status);
TDriverLimits DecodeLimits(std::span<const std::uint8_t, sizeof(TDriverLimits)> bytes);
TDriverStatus DecodeStatus(std::span<const std::uint8_t, sizeof(TDriverStatus)> bytes);

}  // namespace vmd
