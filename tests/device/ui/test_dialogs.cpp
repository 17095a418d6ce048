#include "DeviceFixture.h"
#include "Screens.h"

#include "CAddDev.h"
#include "CConnect.h"
#include "CSelCOM.h"
#include "MessageSeam.h"
#include "ModalAnswer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

using namespace qm::device;
using devtest::DeviceFixture;
using devtest::Logger;

namespace {

class DialogTest : public DeviceFixture {
protected:
    qm::MessageScript messages;
};

// Accepted means the dialog closed with the name; refused means message 188,
// the dialog still open and the field's text selected for typing over.
bool AcceptsName(const QString& text, qm::MessageScript& messages)
{
    CAddDev dialog(QStringLiteral("KMW-HxxT"));
    dialog.show();
    dialog.NameEdit()->setText(text);
    messages.Clear();
    dialog.OnBnClickedOk();
    if (dialog.result() == QDialog::Accepted) {
        EXPECT_EQ(dialog.Name(), text.trimmed());
        EXPECT_TRUE(messages.Numbers().isEmpty());
        return true;
    }
    EXPECT_EQ(messages.Numbers(), QList<int>{188});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.NameEdit()->selectedText(), text);
    return false;
}

TEST_F(DialogTest, NewDeviceNameIsAtMostTenBytesInGbk)
{
    EXPECT_TRUE(AcceptsName(QStringLiteral("冷库一号机"), messages));
    EXPECT_FALSE(AcceptsName(QStringLiteral("冷库一号机房"), messages));
    EXPECT_TRUE(AcceptsName(QStringLiteral("ABCDEFGHIJ"), messages));
    EXPECT_FALSE(AcceptsName(QStringLiteral("ABCDEFGHIJK"), messages));
    EXPECT_TRUE(AcceptsName(QStringLiteral("  冷库AB12 "), messages));   // trimmed: 4 + 4 bytes
    EXPECT_FALSE(AcceptsName(QStringLiteral("   "), messages));
    EXPECT_FALSE(AcceptsName(QStringLiteral("冷库😀"), messages));        // no GBK form
}

TEST_F(DialogTest, SerialSettingsStoreTheManualChoice)
{
    Start({Logger("A1B200081", 1)}, {4});
    CSelCOM dialog;
    devtest::SaveScreen(dialog, QStringLiteral("CSelCOM"));
    ASSERT_EQ(dialog.PortCombo()->count(), 1);
    EXPECT_TRUE(dialog.PortCombo()->itemText(0).startsWith(QStringLiteral("COM4  ")));
    EXPECT_TRUE(dialog.PortCombo()->itemText(0).endsWith(QStringLiteral("/dev/COM4")));
    EXPECT_EQ(PortNumbers(), QList<int>{4});

    // Automatic (the stored mode): port, baud and interval cannot be chosen.
    EXPECT_FALSE(dialog.PortCombo()->isEnabled());
    dialog.ModeCombo()->setCurrentIndex(0);
    EXPECT_TRUE(dialog.PortCombo()->isEnabled());
    EXPECT_TRUE(dialog.IntervalCombo()->isEnabled());

    dialog.PortCombo()->setCurrentIndex(-1);
    dialog.OnBnClickedOk();
    EXPECT_EQ(messages.Numbers(), QList<int>{5402});
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.PortCombo()->setCurrentIndex(0);
    dialog.BaudCombo()->setCurrentIndex(1);
    dialog.IntervalCombo()->setCurrentIndex(2);
    dialog.OnBnClickedOk();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(messages.LastNumber(), 124);
    EXPECT_EQ(ReadAutoMode(), 0);
    EXPECT_EQ(ReadPortText(), QStringLiteral("COM4"));
    EXPECT_EQ(ReadDialogBaud(), 9600);
    EXPECT_EQ(ReadInterval(), 900);
    EXPECT_EQ(LinkDelay(), 900);

    // Automatic keeps what is stored, whatever the disabled controls show.
    CSelCOM again;
    EXPECT_EQ(again.PortCombo()->currentText().left(4), QStringLiteral("COM4"));
    again.ModeCombo()->setCurrentIndex(1);
    again.IntervalCombo()->setCurrentIndex(0);
    again.OnBnClickedOk();
    EXPECT_EQ(ReadAutoMode(), 1);
    EXPECT_EQ(ReadPortText(), QStringLiteral("COM4"));
    EXPECT_EQ(ReadDialogBaud(), 9600);
    EXPECT_EQ(ReadInterval(), 900);
}

TEST_F(DialogTest, ConnectDialogConnectsTheConfiguredLogger)
{
    Start({Logger("A1B200091", 2)}, {2});
    SetCom(0, QStringLiteral("COM2"), 115200, devtest::kLinkDelay);
    CDevManager devices;
    CConnectProcedure procedure(devices);
    CConnect dialog(procedure);
    devtest::SaveScreen(dialog, QStringLiteral("CConnect"));
    EXPECT_EQ(dialog.Chosen(), CConnect::LinkUsb);
    dialog.BluetoothButton()->click();
    EXPECT_EQ(dialog.Chosen(), CConnect::LinkBluetooth);
    EXPECT_TRUE(dialog.BluetoothButton()->isChecked());
    EXPECT_FALSE(dialog.UsbButton()->isChecked());

    // A new logger: the naming dialog comes up; Cancel on it ends with 0.
    qmtest::OnNextModal([](QWidget* w) {
        ASSERT_TRUE(qobject_cast<CAddDev*>(w));
        static_cast<QDialog*>(w)->reject();
    });
    dialog.OnBnClickedOk();
    EXPECT_EQ(dialog.Result(), 0);
    EXPECT_EQ(devices.Count(), 0);

    CConnect second(procedure);
    qmtest::OnNextModal([](QWidget* w) {
        auto* naming = qobject_cast<CAddDev*>(w);
        ASSERT_TRUE(naming);
        naming->NameEdit()->setText(QStringLiteral("冷库"));
        naming->OnBnClickedOk();
    });
    second.OnBnClickedOk();
    EXPECT_EQ(second.Result(), 1);
    EXPECT_EQ(second.result(), QDialog::Accepted);
    ASSERT_TRUE(devices.Find(QStringLiteral("A1B200091")));
    EXPECT_EQ(devices.Find(QStringLiteral("A1B200091"))->name, QStringLiteral("冷库"));
}

} // namespace
