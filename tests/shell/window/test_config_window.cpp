// The configuration subsystem in the main window: the side-panel tab rules,
// the device-configuration page on the current logger with the refresh of the
// tree item and the information page, and the batch behind button 1335.
#include "WindowFixture.h"

#include "AppEnv.h"
#include "CConfigWindowCommands.h"
#include "CDlgAllConfig.h"
#include "CDlgAllNote.h"
#include "CQuillmarkApp.h"
#include "Strings.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

using namespace qm;
using namespace qm::window;
using qmtest::OnNextModal;

namespace {

class ConfigWindowTest : public wintest::WindowFixture {
protected:
    CQuillmarkBody& OpenWithConfig()
    {
        CQuillmarkBody& body = Open();
        m_config = new CConfigWindowCommands(body, BatchNote(), InfoPage());
        m_frame->resize(1280, 800);
        return body;
    }

    CConfigWindowCommands* m_config = nullptr;
};

TEST_F(ConfigWindowTest, TabRulesAndASubmitRefreshTheWindow)
{
    InstallFontSubstitutions();
    auto p = devtest::Logger("A1B200501", 2);
    p.state.cardName = "cold";
    p.state.startMode = loggersim::kStartKey;
    Start({p}, {1});
    CQuillmarkBody& body = OpenWithConfig();
    LogIn(kRoleOperator);
    ASSERT_EQ(m_devices->Procedure().ConnectOnePort(1), 1);
    body.ReloadDeviceTree(QStringLiteral("A1B200501"));
    EXPECT_EQ(m_config->ConfigPage()->NameEdit()->text(), QStringLiteral("cold"));

    // Tab 1085: the device's configuration while no record is selected; the
    // record's for a downloaded record, nothing for an imported one.
    body.OnSideTabConfig();
    EXPECT_EQ(body.SidePageShown(), kSideDeviceConfig);
    body.SelectRecord(1, false);
    body.OnSideTabConfig();
    EXPECT_EQ(body.SidePageShown(), kSideRecordConfig);
    body.SelectRecord(2, true);
    body.OnSideTabConfig();
    EXPECT_EQ(body.SidePageShown(), kSideEmpty);
    body.SelectRecord(0, false);
    body.OnSideTabConfig();
    EXPECT_EQ(body.SidePageShown(), kSideDeviceConfig);
    SaveScreen(*m_frame, QStringLiteral("window_config_page"));

    m_config->ConfigPage()->NameEdit()->setText(QStringLiteral("fridge"));
    m_config->ConfigPage()->OkButton()->click();
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{232, 124}));
    EXPECT_EQ(DeviceItem(0)->text(0), QStringLiteral("fridge_A1B200501"));
    EXPECT_TRUE(NoteTypes().contains(12));

    // The button in the record page goes to the device's configuration.
    body.SelectRecord(1, false);
    body.OnSideTabConfig();
    m_config->RecordPage()->SetButton()->click();
    EXPECT_EQ(body.SidePageShown(), kSideDeviceConfig);
}

TEST_F(ConfigWindowTest, BatchConfigureWritesTheAuditEntryWhenTheResultWindowCloses)
{
    InstallFontSubstitutions();
    auto gone = devtest::Logger("A1B200512", 1);
    Start({devtest::Logger("A1B200511", 2), gone}, {1, 2});
    CQuillmarkBody& body = OpenWithConfig();
    LogIn(kRoleAdministrator);
    ASSERT_EQ(m_devices->Procedure().ConnectOnePort(1), 1);
    ASSERT_EQ(m_devices->Procedure().ConnectOnePort(2), 1);
    body.ReloadDeviceTree(QStringLiteral("A1B200511"));
    body.UpdateToolbar();
    EXPECT_TRUE(body.Button(kBtnConfigAll)->isEnabled());
    Sim().At(1).Stop();

    OnNextModal([this](QWidget* w) {
        auto* dialog = qobject_cast<device::CDlgAllConfig*>(w);
        ASSERT_TRUE(dialog);
        dialog->IntervalEdit(1)->setText(QStringLiteral("3"));
        dialog->OnStartModeChanged(1);
        SaveScreen(*dialog, QStringLiteral("window_batch_dialog"));
        dialog->OkButton()->click();
    });
    body.Route(kBtnConfigAll);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{232});
    device::CDlgAllNote* note = BatchNote();
    EXPECT_EQ(note->windowTitle(), Msg(214));
    EXPECT_EQ(note->SuccessText(), QStringLiteral("1"));
    EXPECT_EQ(note->FailureText(), QStringLiteral("1"));
    EXPECT_TRUE(note->Lines()->toPlainText().endsWith(Msg(208)));
    EXPECT_FALSE(m_frame->isEnabled());
    EXPECT_EQ(Sim().At(0).Device().State().recordInterval, (loggersim::Interval{0, 3, 0}));
    SaveScreen(*note, QStringLiteral("window_batch_result"));
    EXPECT_FALSE(NoteTypes().contains(12));

    note->OkButton()->click();
    EXPECT_TRUE(m_frame->isEnabled());
    ASSERT_EQ(NoteTypes().count(12), 1);
    EXPECT_TRUE(NoteTexts().last().startsWith(MsgF(177, {"A1B200511"}) + u';' + MsgF(228, {"A1B200512"}) + u';'
                                              + Msg(208) + Msg(307)))
        << NoteTexts().last().toStdString();
}

TEST_F(ConfigWindowTest, InEnglishThePageKeepsItsLabelsWhole)
{
    InstallFontSubstitutions();
    ASSERT_TRUE(
        LoadLanguageModule(qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/res/QUILLM_EN.lang")));
    SetCurrentLanguageName(QString::fromLatin1(kEnglishModule));
    auto p = devtest::Logger("A1B200521", 2);
    p.state.cardName = "Cold-1";
    Start({p}, {1});
    CQuillmarkBody& body = OpenWithConfig();
    LogIn(kRoleOperator);
    ASSERT_EQ(m_devices->Procedure().ConnectOnePort(1), 1);
    body.ReloadDeviceTree(QStringLiteral("A1B200521"));
    body.OnSideTabConfig();
    m_frame->show();
    QApplication::processEvents();
    // Every text of the page fits the side panel.
    for (const QLabel* label : m_config->ConfigPage()->findChildren<QLabel*>()) {
        if (label->isVisibleTo(m_config->ConfigPage()) && !label->text().isEmpty())
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    }
    SaveScreen(*m_frame, QStringLiteral("window_config_english"));
    // A timed start never given a time offers one that passes the checks.
    m_config->ConfigPage()->OkButton()->click();
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{232, 124}));
    UseBuiltinStrings();
    SetCurrentLanguageName(QString::fromLatin1(kChineseModule));
}

} // namespace
