#include "LostDevice.h"

#include "MessageSeam.h"
#include "Strings.h"

namespace qm::device {

bool IsLostFailure(int linkFailure)
{
    return linkFailure == CKelvane::kLinkNoAnswer || linkFailure == CKelvane::kLinkGone;
}

bool NoteLinkFailure(CDevice& device)
{
    if (device.link) {
        const int failure = device.link->GetLastFailure();
        if (IsLostFailure(failure))
            device.lostFailure = failure;
    }
    return device.lostFailure != 0;
}

void NoteLinkSuccess(CDevice& device) { device.lostFailure = 0; }

QString LostText(const CDevice& device)
{
    const int reason = device.lostFailure == CKelvane::kLinkGone ? 5608 : 5604;
    return MsgF(5426, {QString::number(device.port), device.name, Msg(reason)});
}

void ShowLost(const CDevice& device) { ShowMessageText(5426, LostText(device)); }

} // namespace qm::device
