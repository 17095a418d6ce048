// The device records to and from register data bytes. dN is the N-th data
// byte of a reply (reply byte N + 3); register k holds d(2k) high, d(2k+1) low.
// Decoders need the full block a validated reply carries and return false,
// touching nothing, when it is shorter.
#pragma once

#include "FrameCodec.h"
#include "Kelvane.h"

namespace kelvane {

constexpr int kConfigRegisters = 28;
constexpr int kBasicRegisters = 32;
constexpr int kChannelRegisters = 16;
constexpr int kCardNameRegisters = 6;
constexpr int kMaxCardName = 10;
// The most data bytes one history page reply carries.
constexpr int kMaxPageBytes = 245;

bool DecodeConfig(const Bytes& d, CKelvane::struct_config_info& config);
// Patches the record's writable fields into a configuration block read before.
bool PatchConfig(Bytes& d, const CKelvane::struct_config_info& config);

bool DecodeBasic(const Bytes& d, CKelvane::struct_basic_config& basic);

bool DecodeChannel(const Bytes& d, CKelvane::struct_channel_config& channel);
bool PatchChannel(Bytes& d, const CKelvane::struct_channel_config& channel);

// Copies the stored name (at most ten characters, no terminator); returns the
// count, -1 for a block too short to hold a name.
int DecodeCardName(const Bytes& d, char* name);
// length counts the terminator; the 12 data bytes of the name registers.
Bytes EncodeCardName(const char* name, int length);

bool DecodeMac(const Bytes& d, int* mac);

// minute, second, day of week, hour, month, day, century, year.
Bytes EncodeClock(const SYSTEMTIME& time);
bool DecodeClock(const Bytes& d, SYSTEMTIME& time);
// Year within the century, month, day, hour, minute, then three zero bytes.
Bytes EncodeStartTime(const SYSTEMTIME& start);

// Frames in the next page of a download; 0 when the frame size cannot be
// paged (0, or more than one reply carries).
int PageFrames(int totalFrames, int position, int frameBytes);

// One history frame at offset o of the page data into sample (values and
// time; the time stays as it was for an empty slot). Bytes beyond the data read
// as 0. Returns true when the frame is an empty slot.
bool DecodeHistoryFrame(const Bytes& d, std::size_t o, int channels, CKelvane::struct_history_data& sample);

int BatteryLevel(int raw, float temperature, int type);

}  // namespace kelvane
