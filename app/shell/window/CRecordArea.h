#pragma once
// The record area of the main window (1096) and the side panel beside it
// (1095) with their page slots. The record list and the record views go into
// the record area (SetRecordPage); the side panel holds four pages: 0 the
// empty page with its notice, 1 the record configuration, 2 the device
// configuration, 3 the device information. Slots 1 to 3 hold a placeholder
// until a subsystem fills them (SetSidePage). Both widgets are children of
// the window's body, which gives them their room (Layout).
#include <QObject>
#include <QRect>

class QLabel;
class QStackedWidget;
class QToolButton;
class QWidget;

namespace qm::window {

class CRecordArea : public QObject {
    Q_OBJECT
public:
    explicit CRecordArea(QWidget* body);

    QWidget* Records() const;
    QWidget* SidePanel() const { return m_side; }
    QLabel* EmptyPageText() const { return m_emptyText; }

    // Adds `page` to the record area and shows it.
    void SetRecordPage(QWidget* page);
    // Puts `widget` into side slot `page` (1-3, or 0 for another empty page);
    // the slot's previous page is deleted.
    void SetSidePage(int page, QWidget* widget);
    QWidget* SidePage(int page) const;

    // -1 hides the panel; 0-3 shows that page (0 with the notice 341).
    void SelectSidePage(int page);
    int SidePageShown() const { return m_sidePage; }
    // The empty page with `message` instead of 341.
    void ShowEmptyNotice(int message);

    // The room of the record area and the panel, in the body's coordinates.
    void Layout(const QRect& room);

signals:
    // Side-panel tab 1085 (configuration) or 1093 (device information) was clicked.
    void sideTabClicked(int id);

private:
    QStackedWidget* m_records = nullptr;
    QWidget* m_side = nullptr;
    QToolButton* m_sideConfig = nullptr;
    QToolButton* m_sideInfo = nullptr;
    QStackedWidget* m_sidePages = nullptr;
    QLabel* m_emptyText = nullptr;
    int m_sidePage = -1;
    QRect m_room;
};

} // namespace qm::window
