#pragma once
// A connected logger that went away: unplugged, switched off, its port gone.
// When an exchange with it fails for good (no answer on any attempt, or the
// port vanished) the device is marked lost, so the tree, the toolbar and the
// information page stop showing it as connected and recording, and every
// command says which port and why instead of a bare "connection failed". A
// later exchange that succeeds clears the mark. QtCore only.
#include "CDevice.h"

#include <QString>

namespace qm::device {

// True for the link failures that mean the logger is out of reach (as opposed
// to a logger that answers too slowly or garbled).
bool IsLostFailure(int linkFailure);

// After a failed command on `device`: marks it lost when its link's last
// failure says the logger is out of reach. Returns whether it is lost now.
bool NoteLinkFailure(CDevice& device);
// After a command that reached the logger: it is not lost.
void NoteLinkSuccess(CDevice& device);

// 5426 with the device's port, name and the reason (5604 no answer, 5608 gone),
// the texts the download's failures use too.
QString LostText(const CDevice& device);
// Shows LostText as message 5426.
void ShowLost(const CDevice& device);

} // namespace qm::device
