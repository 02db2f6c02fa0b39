// The message window's answers and the getting-started tour.
#include "app/AppFixture.h"

#include "core/TOrvane1.h"
#include "help/TMessageWin1.h"
#include "help/TQuikStart1.h"

#include <QApplication>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>

using namespace orvane::testing;

namespace {
class HelpWindowsTest : public AppFixture {};
} // namespace

TEST_F(HelpWindowsTest, MessageWindowAnswers)
{
    createWindows();
    const struct {
        const char *button; // nullptr: closed by its close box
        bool cancelled;
    } cases[] = {{"OKBtn", false}, {"CancelBtn", true}, {nullptr, true}, {"OKBtn", false}};
    for (const auto &c : cases) {
        Orvane1->CANCEL_FLG = !c.cancelled; // the window must set it either way
        Orvane1->MESSAGEWIN_MSG = "Save Edits to photo.jpg?";
        if (c.button)
            dialogs->clickInNextModal(c.button);
        Orvane1->ShowMessageWin();
        EXPECT_EQ(Orvane1->CANCEL_FLG, c.cancelled) << (c.button ? c.button : "close box");
        EXPECT_EQ(dialogs->last("modal")->title, "Message Window");
        EXPECT_EQ(dialogs->last("modal")->text, "Save Edits to photo.jpg?");
        EXPECT_FALSE(MessageWin1->isVisible());
    }
}

TEST_F(HelpWindowsTest, TourWalksNinePagesAndWraps)
{
    createWindows();
    showMain();
    ASSERT_TRUE(QuikStart1->isVisible()); // shown unless switched off
    EXPECT_EQ(QuikStart1->windowTitle(), "Getting Started");
    EXPECT_EQ(QuikStart1->WkIndex, 1);
    QStringList pages;
    for (int i = 0; i < TQuikStart1::kPages; ++i) {
        pages << QuikStart1->Memo1->toPlainText();
        EXPECT_FALSE(pages.last().trimmed().isEmpty()) << i + 1;
        QuikStart1->NextBtn->click();
    }
    EXPECT_EQ(QuikStart1->WkIndex, 1); // Next on page 9 shows page 1
    EXPECT_EQ(QuikStart1->Memo1->toPlainText(), pages.first());
    EXPECT_EQ(pages.removeDuplicates(), 0);
    EXPECT_TRUE(pages.at(1).contains("ThumbNails"));
    EXPECT_TRUE(pages.at(8).contains("Mail", Qt::CaseInsensitive));
    QuikStart1->PrevBtn->click(); // Back on page 1 stays
    EXPECT_EQ(QuikStart1->WkIndex, 1);
    QuikStart1->NextBtn->click();
    QuikStart1->NextBtn->click();
    QuikStart1->PrevBtn->click();
    EXPECT_EQ(QuikStart1->WkIndex, 2);
    QuikStart1->CloseBtn->click();
    EXPECT_FALSE(QuikStart1->isVisible());
}

TEST_F(HelpWindowsTest, TourIsNotShownWhenSwitchedOff)
{
    createWindows();
    Orvane1->QKSTRTNO_FLG = true;
    showMain();
    EXPECT_FALSE(QuikStart1->isVisible());
}

TEST_F(HelpWindowsTest, StartUpWindowsExistWithTheirCaptions)
{
    createWindows();
    QStringList captions;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != Orvane1)
            captions << w->windowTitle();
    for (const char *caption : {"Orvane Options", "Camera Capture Window", "EMail Setup",
                                "Get Photos and Multimedia Files over the Internet", "Group Maintenance",
                                "Message Window", "Getting Started", "Photos Sent from another Computer or Device"})
        EXPECT_TRUE(captions.contains(caption)) << caption;
}
