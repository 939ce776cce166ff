#include "DialogDriver.h"

#include "KRXNetMultiplexDefinition.h"
#include "KRXNetMultiplexDialog.h"
#include "KRXQtMultiplexDialogs.h"

#include "platform/MessageBox.h"
#include "plugin/KRXInputPlugin.h"

#include <QLineEdit>
#include <QTest>

using namespace dialogs_test;

namespace {
class CNetworkKindPlugin : public CKRXInputPlugin
{
public:
    EKRXMultiplexKind GetMultiplexKind() override { return EKRXMultiplexKind::Network; }
};
} // namespace

TEST(NetMultiplexDialog, RefusesAURLItCannotPlaySayingWhyThenStoresTheCorrectedOne)
{
    CNetworkKindPlugin plugin;
    CKRXQtMultiplexDialogs dialogs(nullptr);
    AddNetworkMultiplexEditor(dialogs);
    CKRXNetMultiplexDefinition definition;
    definition.ReadFromString("News, udp://@239.1.1.1:5000");
    CString complaint;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](const CString& text, const CString&, unsigned) {
        complaint = text;
        return KRX_IDOK;
    });
    QString shownURL;
    bool openAfterRefusal = false;
    WhenShown<CKRXNetMultiplexDialog>([&](CKRXNetMultiplexDialog* dialog) {
        auto* url = dialog->findChild<QLineEdit*>("url");
        shownURL = url->text();
        url->setText("rtp://@239.1.1.1");
        QTest::mouseClick(StandardButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
        openAfterRefusal = dialog->isVisible();
        url->setText("rtp://@239.1.1.1:5004");
        SaveScreenshot(dialog, "network-multiplex-details");
        QTest::mouseClick(StandardButton(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    EXPECT_TRUE(dialogs.ConfigureMultiplexDefinition(&plugin, &definition));
    SetMessageBoxHandler(previous);
    EXPECT_EQ(shownURL, "udp://@239.1.1.1:5000");
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(complaint, "The URL cannot be played: no port.");
    EXPECT_EQ(definition.GetName(), "News");
    EXPECT_EQ(definition.GetURL(), "rtp://@239.1.1.1:5004");
}
