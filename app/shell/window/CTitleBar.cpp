#include "CTitleBar.h"

#include "ControlIds.h"
#include "Strings.h"
#include "WindowIcons.h"

#include <QLabel>
#include <QToolButton>

namespace qm::window {
namespace {

// Button slots in the title bar.
constexpr int kSlotWidth = 58;
constexpr int kGroupGap = 22;
constexpr int kButtonSize = 34;

} // namespace

CTitleBar::CTitleBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("titleBar"));
    setAttribute(Qt::WA_StyledBackground);
    m_titleText = new QLabel(Msg(119), this);
    m_titleText->setObjectName(QStringLiteral("titleText"));
    m_logo = new QLabel(this);
    m_logo->setObjectName(QStringLiteral("c%1").arg(kLogo));
    m_logo->setPixmap(LogoPixmap(34));

    struct ButtonDef {
        int id;
        int text;
        int group;
    };
    const ButtonDef defs[] = {
        {kBtnSave, 5030, 0},       {kBtnPrint, 240, 0},        {kBtnConnect, 5031, 1},  {kBtnDisconnect, 5032, 1},
        {kBtnRun, 5034, 1},        {kBtnStop, 5033, 1},        {kBtnDownload, 5035, 1}, {kBtnMerge, 5036, 2},
        {kBtnCompare, 5037, 2},    {kBtnConnectAll, 5038, 3},  {kBtnConfigAll, 214, 3}, {kBtnDownloadAll, 219, 3},
    };
    QFont labelFont = font();
    labelFont.setPixelSize(12);
    for (const ButtonDef& def : defs) {
        ToolButton b;
        b.id = def.id;
        b.group = def.group;
        b.button = new QToolButton(this);
        b.button->setObjectName(QStringLiteral("c%1").arg(def.id));
        b.button->setIcon(ToolIcon(def.id));
        b.button->setIconSize(QSize(26, 26));
        b.button->setToolTip(Msg(def.text));
        b.button->setCursor(Qt::PointingHandCursor);
        b.label = new QLabel(Msg(def.text), this);
        b.label->setObjectName(QStringLiteral("l%1").arg(def.id));
        b.label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        b.label->setFont(labelFont);
        const int id = def.id;
        connect(b.button, &QToolButton::clicked, this, [this, id] { emit buttonClicked(id); });
        m_buttons << b;
    }
}

void CTitleBar::TakeUserBadge(QWidget* badge)
{
    m_userName = badge->findChild<QLabel*>(QStringLiteral("userName"));
    m_userArrow = badge->findChild<QToolButton*>(QStringLiteral("userMenuButton"));
    if (m_userName) {
        m_userName->setParent(this);
        m_userName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (m_userArrow)
        m_userArrow->setParent(this);
    badge->setParent(this);
    badge->hide();
}

const CTitleBar::ToolButton* CTitleBar::Find(int id) const
{
    for (const ToolButton& b : m_buttons)
        if (b.id == id)
            return &b;
    return nullptr;
}

QToolButton* CTitleBar::Button(int id) const
{
    const ToolButton* b = Find(id);
    return b ? b->button : nullptr;
}

QLabel* CTitleBar::ButtonLabel(int id) const
{
    const ToolButton* b = Find(id);
    return b ? b->label : nullptr;
}

void CTitleBar::SetButtonState(int id, bool visible, bool enabled)
{
    if (const ToolButton* b = Find(id)) {
        b->button->setVisible(visible);
        b->label->setVisible(visible);
        b->button->setEnabled(enabled);
        b->label->setEnabled(enabled);
    }
}

void CTitleBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutBar();
}

void CTitleBar::LayoutBar()
{
    const int w = width();
    int nameLeft = w - 77;
    if (m_userName) {
        // 49 pixels for the name; a longer one grows to the left.
        const int textWidth = m_userName->fontMetrics().horizontalAdvance(m_userName->text()) + 4;
        const int width = qBound(49, textWidth, 160);
        nameLeft = w - 28 - width;
        m_userName->setGeometry(nameLeft, 0, width, kTitleHeight);
    }
    if (m_userArrow)
        m_userArrow->setGeometry(w - 27, 19, 16, 16);
    m_logo->setGeometry(nameLeft - 34, 10, 34, 34);
    m_titleText->setGeometry(16, 0, kNavWidth - 16, kTitleHeight);

    // The shown buttons, centred in their groups between the title and the logo;
    // each slot as wide as its label (at least kSlotWidth), narrowed and the
    // labels elided only when the window is too narrow for all of them.
    QList<const ToolButton*> shown;
    for (const ToolButton& b : m_buttons)
        if (!b.button->isHidden())
            shown << &b;
    QList<int> widths;
    int groups = 0;
    int lastGroup = -1;
    int total = 0;
    for (const ToolButton* b : shown) {
        if (b->group != lastGroup)
            ++groups;
        lastGroup = b->group;
        const QString text = b->button->toolTip();
        widths << qMax(kSlotWidth, b->label->fontMetrics().horizontalAdvance(text) + 10);
        total += widths.last();
    }
    const int gaps = qMax(0, groups - 1) * kGroupGap;
    const int areaLeft = kNavWidth;
    const int areaRight = nameLeft - 34 - 12;
    const int room = qMax(0, areaRight - areaLeft - gaps);
    if (total > room && total > 0) {
        int scaled = 0;
        for (int& width : widths) {
            width = qMax(kButtonSize + 4, width * room / total);
            scaled += width;
        }
        total = scaled;
    }
    int x = areaLeft + qMax(0, (areaRight - areaLeft - total - gaps) / 2);
    lastGroup = -1;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const ToolButton* b = shown.at(i);
        const int width = widths.at(i);
        if (lastGroup >= 0 && b->group != lastGroup)
            x += kGroupGap;
        lastGroup = b->group;
        b->button->setGeometry(x + (width - kButtonSize) / 2, 2, kButtonSize, kButtonSize);
        b->label->setGeometry(x, 36, width, 16);
        b->label->setText(b->label->fontMetrics().elidedText(b->button->toolTip(), Qt::ElideRight, width - 2));
        x += width;
    }
}

} // namespace qm::window
