#pragma once
// The title bar of the main window (control 1169): the title, the toolbar
// buttons in their groups with a label under each, the logo and the user name
// with its ▼. A button press arrives as buttonClicked(id); what is shown and
// enabled is the window's to say (SetButtonState).
#include <QList>
#include <QWidget>

class QLabel;
class QToolButton;

namespace qm::window {

class CTitleBar : public QWidget {
    Q_OBJECT
public:
    explicit CTitleBar(QWidget* parent);

    // Takes the user name and its ▼ button out of `badge` (the frame's corner
    // widget) and places them at the right end of the bar.
    void TakeUserBadge(QWidget* badge);

    QToolButton* Button(int id) const;
    QLabel* ButtonLabel(int id) const;
    // Shows or hides and enables or disables a button together with its label.
    void SetButtonState(int id, bool visible, bool enabled);
    // Places the shown buttons again (after SetButtonState, a new user name).
    void LayoutBar();

signals:
    void buttonClicked(int id);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct ToolButton {
        int id = 0;
        QToolButton* button = nullptr;
        QLabel* label = nullptr;
        int group = 0;
    };
    const ToolButton* Find(int id) const;

    QLabel* m_titleText = nullptr;
    QLabel* m_logo = nullptr;
    QLabel* m_userName = nullptr;
    QToolButton* m_userArrow = nullptr;
    QList<ToolButton> m_buttons;
};

} // namespace qm::window
