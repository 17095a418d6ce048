#include "CDevice.h"

#include <cstring>

namespace qm::device {

CDevice::CDevice() { ClearRecords(); }

CDevice::~CDevice() = default;

void CDevice::ClearRecords()
{
    std::memset(&config, 0, sizeof config);
    std::memset(&basic, 0, sizeof basic);
    std::memset(channels, 0, sizeof channels);
}

} // namespace qm::device
