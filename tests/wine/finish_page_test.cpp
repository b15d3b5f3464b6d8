// The finish page: its check box, the help call on Finish, and a close
// request that ends the wizard without a question. The help requests are
// seen as the help viewer sees them: the test's own MS_WINHELP window
// receives what WinHelpA sends.
#include <gtest/gtest.h>

#include "controls/caption_bar.h"
#include "controls/picture.h"
#include "page_wizard.h"

namespace {

using pw::Wizard;

bool IsChecked(Wizard& w) { return SendMessageA(w.Item(IDC_OPEN_OVERVIEW), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Clicks the check box and waits for the click to be handled.
bool ClickCheckBox(Wizard& w) { return PostMessageA(w.Item(IDC_OPEN_OVERVIEW), BM_CLICK, 0, 0) && w.Sync(); }

bool GoToFinishPage(Wizard& w) {
  return w.Move(PSBTN_NEXT, pw::kLicense) && w.Move(PSBTN_NEXT, pw::kCopying) &&
         w.Move(PSBTN_NEXT, pw::kWhereToStart) && w.Move(PSBTN_NEXT, pw::kFinish);
}

TEST(FinishPage, CheckBoxKeptAcrossBackAndNextAndFinishOpensTheOverview) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  HWND finishPage = nullptr;
  pw::RunWizard([&](Wizard& w) {
    ASSERT_TRUE(GoToFinishPage(w));
    finishPage = w.CurrentPage();
    EXPECT_EQ(td::ItemText(finishPage, IDC_PAGE_TITLE), "Setup Completed");
    EXPECT_NE(GetPropA(GetDlgItem(finishPage, IDC_PAGE_TITLE), CaptionBar::kTag), nullptr);
    EXPECT_NE(GetPropA(GetDlgItem(finishPage, IDC_SIDE_PICTURE), CPicture::kTag), nullptr);
    EXPECT_TRUE(IsChecked(w)) << "checked when the page is created";

    ASSERT_TRUE(ClickCheckBox(w));
    EXPECT_FALSE(IsChecked(w));
    ASSERT_TRUE(w.Move(PSBTN_BACK, pw::kWhereToStart));
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kFinish));
    EXPECT_FALSE(IsChecked(w)) << "the user's choice stays";
    EXPECT_EQ(w.Buttons(), PSWIZB_BACK | PSWIZB_FINISH);

    ASSERT_TRUE(ClickCheckBox(w));
    ASSERT_TRUE(w.Move(PSBTN_BACK, pw::kWhereToStart));
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kFinish));
    EXPECT_TRUE(IsChecked(w));
    EXPECT_TRUE(pw::State().helpRequests.empty()) << "nothing opened before Finish";

    w.Press(PSBTN_FINISH);
    EXPECT_TRUE(td::WaitUntil([&] { return !w.IsOpen(); }));
  });
  ASSERT_EQ(pw::State().helpRequests.size(), 1u);
  const pw::HelpRequest& request = pw::State().helpRequests[0];
  EXPECT_EQ(request.file, "VDLite.hlp");
  EXPECT_EQ(request.command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(request.data, 0xC0000110u);
  EXPECT_EQ(request.caller, finishPage);
}

TEST(FinishPage, FinishWithTheBoxClearedOpensNothing) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  pw::RunWizard([&](Wizard& w) {
    ASSERT_TRUE(GoToFinishPage(w));
    ASSERT_TRUE(IsChecked(w));
    ASSERT_TRUE(ClickCheckBox(w));
    ASSERT_FALSE(IsChecked(w));
    w.Press(PSBTN_FINISH);
    EXPECT_TRUE(td::WaitUntil([&] { return !w.IsOpen(); }));
  });
  EXPECT_TRUE(pw::State().helpRequests.empty());
}

TEST(FinishPage, CloseRequestEndsWithoutQuestionOrHelp) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  pw::RunWizard([&](Wizard& w) {
    ASSERT_TRUE(GoToFinishPage(w));
    ASSERT_TRUE(IsChecked(w));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w.frame, IDCANCEL))) << "Cancel is disabled";
    // The frame's close box: a question would hold the wizard open.
    PostMessageA(w.frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(td::WaitUntil([&] { return !w.IsOpen(); }, 10000));
    EXPECT_EQ(td::FindTopWindow("#32770", pw::kCaption, GetCurrentProcessId()), nullptr);
  });
  EXPECT_TRUE(pw::State().helpRequests.empty()) << "the help file is opened by Finish only";
}

}  // namespace
