#include "StyleSheet.h"

namespace qm::ui {

QString MainWindowStyleSheet()
{
    return QStringLiteral(R"(
#titleBar { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #17406b, stop:1 #2461a0); }
#titleBar QLabel { color: white; }
#titleText { font-size: 15px; font-weight: bold; }
#titleBar QToolButton { border: none; border-radius: 4px; background: transparent; }
#titleBar QToolButton:hover { background: rgba(255,255,255,40); }
#titleBar QToolButton:pressed { background: rgba(255,255,255,70); }
#titleBar QLabel:disabled { color: rgba(255,255,255,90); }
#titleBar #userMenuButton { color: white; font-size: 9px; padding: 0; }
#userName { font-weight: bold; }
#navPane, #sidePanel { background: #f4f7fb; }
#navPane { border-right: 1px solid #d5dde8; }
#sidePanel { border-left: 1px solid #d5dde8; }
#navTabs QToolButton, #sideTabs QToolButton {
  border: none; border-bottom: 2px solid transparent; padding: 6px 4px; background: transparent; color: #44546a; }
#navTabs QToolButton:checked, #sideTabs QToolButton:checked {
  border-bottom: 2px solid #2461a0; color: #17406b; font-weight: bold; background: white; }
#navTabs QToolButton:hover, #sideTabs QToolButton:hover { background: #e8eef6; }
QTreeWidget { border: none; background: white; }
#emptyPage QLabel, #recordHint { color: #6b7a8f; font-size: 14px; }
#recordArea { background: white; }
#CBasicAttribute #fieldLabel, #CBasicAttribute #channelLabel, #CBasicAttribute #unitHead { color: #5a6b80; }
)");
}

} // namespace qm::ui
