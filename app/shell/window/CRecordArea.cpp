#include "CRecordArea.h"

#include "ControlIds.h"
#include "Strings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm::window {

CRecordArea::CRecordArea(QWidget* body) : QObject(body)
{
    m_records = new QStackedWidget(body);
    m_records->setObjectName(QStringLiteral("recordArea"));
    auto* hint = new QLabel(Msg(5025), m_records);
    hint->setObjectName(QStringLiteral("recordHint"));
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setMargin(40);
    m_records->addWidget(hint);

    m_side = new QWidget(body);
    m_side->setObjectName(QStringLiteral("sidePanel"));
    m_side->setAttribute(Qt::WA_StyledBackground);
    auto* tabs = new QWidget(m_side);
    tabs->setObjectName(QStringLiteral("sideTabs"));
    auto* tabRow = new QHBoxLayout(tabs);
    tabRow->setContentsMargins(0, 0, 0, 0);
    tabRow->setSpacing(0);
    m_sideConfig = new QToolButton(tabs);
    m_sideConfig->setObjectName(QStringLiteral("c%1").arg(kSideTabConfig));
    m_sideConfig->setText(Msg(5018));
    m_sideInfo = new QToolButton(tabs);
    m_sideInfo->setObjectName(QStringLiteral("c%1").arg(kSideTabInfo));
    m_sideInfo->setText(Msg(325));
    for (QToolButton* tab : {m_sideConfig, m_sideInfo}) {
        tab->setCheckable(true);
        tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        tab->setMinimumHeight(38);
        tabRow->addWidget(tab);
    }
    connect(m_sideConfig, &QToolButton::clicked, this, [this] { emit sideTabClicked(kSideTabConfig); });
    connect(m_sideInfo, &QToolButton::clicked, this, [this] { emit sideTabClicked(kSideTabInfo); });

    m_sidePages = new QStackedWidget(m_side);
    const auto emptyPage = [this](QLabel** text) {
        auto* page = new QWidget(m_sidePages);
        page->setObjectName(QStringLiteral("emptyPage"));
        auto* label = new QLabel(Msg(341), page);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        auto* layout = new QVBoxLayout(page);
        layout->addWidget(label);
        if (text)
            *text = label;
        return page;
    };
    m_sidePages->addWidget(emptyPage(&m_emptyText));   // 0
    for (int slot = kSideRecordConfig; slot <= kSideDeviceInfo; ++slot)
        m_sidePages->addWidget(emptyPage(nullptr));    // filled by the subsystems

    auto* layout = new QVBoxLayout(m_side);
    layout->setContentsMargins(1, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs);
    layout->addWidget(m_sidePages, 1);
}

QWidget* CRecordArea::Records() const { return m_records; }

void CRecordArea::SetRecordPage(QWidget* page)
{
    if (!page)
        return;
    m_records->addWidget(page);
    m_records->setCurrentWidget(page);
}

void CRecordArea::SetSidePage(int page, QWidget* widget)
{
    if (page < kSideEmpty || page > kSideDeviceInfo || !widget)
        return;
    QWidget* old = m_sidePages->widget(page);
    m_sidePages->insertWidget(page, widget);
    if (old) {
        m_sidePages->removeWidget(old);
        old->deleteLater();
    }
    if (m_sidePage == page)
        m_sidePages->setCurrentIndex(page);
}

QWidget* CRecordArea::SidePage(int page) const { return m_sidePages->widget(page); }

void CRecordArea::SelectSidePage(int page)
{
    if (page < kSideHidden || page > kSideDeviceInfo)
        return;
    m_sidePage = page;
    if (page != kSideHidden) {
        if (page == kSideEmpty)
            m_emptyText->setText(Msg(341));
        m_sidePages->setCurrentIndex(page);
    }
    m_sideInfo->setChecked(page == kSideDeviceInfo);
    m_sideConfig->setChecked(page >= kSideEmpty && page <= kSideDeviceConfig);
    Layout(m_room);
}

void CRecordArea::ShowEmptyNotice(int message)
{
    SelectSidePage(kSideEmpty);
    m_emptyText->setText(Msg(message));
}

void CRecordArea::Layout(const QRect& room)
{
    m_room = room;
    const bool side = m_sidePage != kSideHidden;
    const int recordWidth = qMax(0, room.width() - (side ? kSideWidth : 0));
    m_records->setGeometry(room.x(), room.y(), recordWidth, room.height());
    m_side->setGeometry(room.right() + 1 - kSideWidth, room.y(), kSideWidth, room.height());
    m_side->setVisible(side);
}

} // namespace qm::window
