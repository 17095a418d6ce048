#pragma once
// The main window's pictures, drawn in code: the toolbar glyphs (white, for
// the dark title bar), the tree images and the program's icon and logo.
#include <QIcon>
#include <QPixmap>

namespace qm::window {

// The glyph of toolbar button `id` (ControlIds.h), 32 by 32.
QIcon ToolIcon(int id);

enum class TreeImage { Root, DeviceConnected, DeviceKnown, DeviceLost, Folder };
// 16 by 16 images of both trees.
QIcon TreeIcon(TreeImage image);

// The program's icon (window, notification area) and the title-bar logo.
QIcon ProgramIcon();
QPixmap LogoPixmap(int size);

// Icons of the navigation and side-panel tabs.
QIcon TabIcon(int id);

} // namespace qm::window
