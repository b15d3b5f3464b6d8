// Binding of the control objects to static controls of real dialogs: window
// procedures, window properties, the parent-procedure chain and the
// reflected colour messages.
#include <gtest/gtest.h>

#include "control_dialogs.h"
#include "controls/caption_bar.h"
#include "controls/hyperlink.h"
#include "controls/picture.h"
#include "resource.h"
#include "test_driver.h"

namespace {

constexpr int kPlain = 2001;
constexpr int kTitle = 2002;
constexpr int kPicture1 = 2003;
constexpr int kPicture2 = 2004;
constexpr int kLink = 2005;

void ExpectNoTagsOn(HWND window) {
  EXPECT_EQ(nullptr, GetPropA(window, "CaptionBar"));
  EXPECT_EQ(nullptr, GetPropA(window, "CPicture"));
  EXPECT_EQ(nullptr, GetPropA(window, "Hyperlink"));
}

class BindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog_ = ct::CreateTestDialog({{kPlain, ct::kTextStyle, 80, 60, 60, 10, "Plain text"},
                                    {kTitle, ct::kTextStyle, 80, 0, 150, 15, "Title"},
                                    {kPicture1, ct::kTextStyle, 0, 0, 8, 8, ""},
                                    {kPicture2, ct::kTextStyle, 30, 0, 8, 8, ""},
                                    {kLink, ct::kTextStyle, 80, 80, 60, 8, "VandrelSoft"}});
    ASSERT_NE(nullptr, dialog_);
    dialogProc_ = ct::ProcOf(dialog_);
    for (int id : {kPlain, kTitle, kPicture1, kPicture2, kLink}) originalProc_[id - kPlain] = ct::ProcOf(Item(id));
  }
  void TearDown() override {
    if (dialog_ != nullptr) DestroyWindow(dialog_);
  }
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  WNDPROC OriginalProc(int id) const { return originalProc_[id - kPlain]; }
  // The answer of the page to a child's WM_CTLCOLORSTATIC, as the child
  // itself would ask for it.
  LRESULT ColourAnswer(HWND child, HDC dc) {
    return SendMessageA(dialog_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
  }
  void ExpectNoTags(HWND window) { ExpectNoTagsOn(window); }

  HWND dialog_ = nullptr;
  WNDPROC dialogProc_ = nullptr;
  WNDPROC originalProc_[5] = {};
};

TEST_F(BindingTest, AttachRefusesNoWindowAndSecondBindingWithoutChange) {
  CaptionBar caption;
  EXPECT_FALSE(caption.Attach(nullptr));
  HWND gone = CreateWindowExA(0, "STATIC", "x", WS_CHILD, 0, 0, 10, 10, dialog_, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, gone);
  DestroyWindow(gone);
  EXPECT_FALSE(caption.Attach(gone));
  EXPECT_EQ(nullptr, caption.ControlWindow());
  EXPECT_EQ(dialogProc_, ct::ProcOf(dialog_));
  ExpectNoTags(dialog_);
  caption.Detach();  // unbound: nothing happens
  EXPECT_EQ(nullptr, caption.ControlWindow());

  ASSERT_TRUE(caption.Attach(Item(kTitle)));
  EXPECT_EQ(Item(kTitle), caption.ControlWindow());
  EXPECT_NE(0, GetWindowLongPtrA(Item(kTitle), GWL_STYLE) & SS_NOTIFY);
  WNDPROC boundParentProc = ct::ProcOf(dialog_);
  WNDPROC boundControlProc = ct::ProcOf(Item(kTitle));
  EXPECT_NE(dialogProc_, boundParentProc);
  EXPECT_NE(OriginalProc(kTitle), boundControlProc);
  EXPECT_EQ(&caption, GetPropA(Item(kTitle), "CaptionBar"));
  EXPECT_EQ(&caption, GetPropA(dialog_, "CaptionBar"));

  LONG_PTR plainStyle = GetWindowLongPtrA(Item(kPlain), GWL_STYLE);
  EXPECT_FALSE(caption.Attach(Item(kPlain)));
  EXPECT_EQ(Item(kTitle), caption.ControlWindow());
  EXPECT_EQ(OriginalProc(kPlain), ct::ProcOf(Item(kPlain)));
  EXPECT_EQ(plainStyle, GetWindowLongPtrA(Item(kPlain), GWL_STYLE));
  ExpectNoTags(Item(kPlain));
  EXPECT_EQ(boundParentProc, ct::ProcOf(dialog_));
  EXPECT_EQ(boundControlProc, ct::ProcOf(Item(kTitle)));

  caption.Detach();
  EXPECT_EQ(nullptr, caption.ControlWindow());
  EXPECT_EQ(dialogProc_, ct::ProcOf(dialog_));
  EXPECT_EQ(OriginalProc(kTitle), ct::ProcOf(Item(kTitle)));
  ExpectNoTags(dialog_);
  ExpectNoTags(Item(kTitle));
}

TEST_F(BindingTest, TwoObjectsOfOneClassReplaceTheParentProcedureOnce) {
  CPicture first;
  CPicture second;
  ASSERT_TRUE(first.Attach(Item(kPicture1)));
  WNDPROC classParentProc = ct::ProcOf(dialog_);
  EXPECT_NE(dialogProc_, classParentProc);
  ASSERT_TRUE(second.Attach(Item(kPicture2)));
  EXPECT_EQ(classParentProc, ct::ProcOf(dialog_));
  EXPECT_EQ(&first, GetPropA(dialog_, "CPicture"));
  EXPECT_EQ(&first, GetPropA(Item(kPicture1), "CPicture"));
  EXPECT_EQ(&second, GetPropA(Item(kPicture2), "CPicture"));
  // One class procedure on both controls, each finding its own object.
  EXPECT_EQ(ct::ProcOf(Item(kPicture1)), ct::ProcOf(Item(kPicture2)));
  EXPECT_NE(OriginalProc(kPicture1), ct::ProcOf(Item(kPicture1)));

  // Reverse order: the second gives back the class procedure it found, the
  // first the dialog's own.
  second.Detach();
  EXPECT_EQ(classParentProc, ct::ProcOf(dialog_));
  EXPECT_EQ(OriginalProc(kPicture2), ct::ProcOf(Item(kPicture2)));
  first.Detach();
  EXPECT_EQ(dialogProc_, ct::ProcOf(dialog_));
  EXPECT_EQ(OriginalProc(kPicture1), ct::ProcOf(Item(kPicture1)));
  for (int id : {kPicture1, kPicture2}) ExpectNoTags(Item(id));
  ExpectNoTags(dialog_);
}

TEST_F(BindingTest, AllThreeClassesChainAndReflectOnlyTheirOwnColours) {
  CaptionBar caption;
  CPicture picture;
  Hyperlink link;
  ASSERT_TRUE(caption.Attach(Item(kTitle)));
  WNDPROC afterCaption = ct::ProcOf(dialog_);
  ASSERT_TRUE(picture.Attach(Item(kPicture1)));
  WNDPROC afterPicture = ct::ProcOf(dialog_);
  ASSERT_TRUE(link.Attach(Item(kLink)));
  WNDPROC afterLink = ct::ProcOf(dialog_);
  // Three links in the chain, the last bound outermost.
  EXPECT_NE(dialogProc_, afterCaption);
  EXPECT_NE(afterCaption, afterPicture);
  EXPECT_NE(afterPicture, afterLink);
  EXPECT_NE(afterCaption, afterLink);

  HDC dc = GetDC(dialog_);
  // A plain static passes every parent procedure and the dialog answers.
  SetTextColor(dc, RGB(1, 2, 3));
  ct::g_log = ct::DialogLog();
  EXPECT_EQ(reinterpret_cast<LRESULT>(ct::DialogBrush()), ColourAnswer(Item(kPlain), dc));
  EXPECT_EQ(1, ct::g_log.ctlColorStatic);
  EXPECT_EQ(Item(kPlain), ct::g_log.lastColorChild);
  EXPECT_EQ(dc, ct::g_log.lastColorDc);
  EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc));
  // The picture has no colour message of its own: the dialog answers too.
  EXPECT_EQ(reinterpret_cast<LRESULT>(ct::DialogBrush()), ColourAnswer(Item(kPicture1), dc));
  EXPECT_EQ(2, ct::g_log.ctlColorStatic);
  // The caption and the link answer themselves; the dialog never hears.
  SetBkMode(dc, OPAQUE);
  EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)), ColourAnswer(Item(kTitle), dc));
  EXPECT_EQ(RGB(0, 0, 0), GetTextColor(dc));
  EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
  SetBkMode(dc, OPAQUE);
  EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)), ColourAnswer(Item(kLink), dc));
  EXPECT_EQ(link.GetLinkColour(), GetTextColor(dc));
  EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
  EXPECT_EQ(2, ct::g_log.ctlColorStatic);
  ReleaseDC(dialog_, dc);

  // The real thing: the controls paint and ask for their colours.
  ct::g_log = ct::DialogLog();
  ct::Settle(dialog_);
  EXPECT_GE(ct::g_log.ctlColorStatic, 1);
  EXPECT_NE(Item(kTitle), ct::g_log.lastColorChild);
  EXPECT_NE(Item(kLink), ct::g_log.lastColorChild);

  link.Detach();
  EXPECT_EQ(afterPicture, ct::ProcOf(dialog_));
  picture.Detach();
  EXPECT_EQ(afterCaption, ct::ProcOf(dialog_));
  caption.Detach();
  EXPECT_EQ(dialogProc_, ct::ProcOf(dialog_));
  for (int id : {kPlain, kTitle, kPicture1, kPicture2, kLink}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(OriginalProc(id), ct::ProcOf(Item(id)));
    ExpectNoTags(Item(id));
  }
  ExpectNoTags(dialog_);
}

TEST_F(BindingTest, ProceduresWithoutTheirObjectAnswerZero) {
  CaptionBar caption;
  ASSERT_TRUE(caption.Attach(Item(kTitle)));
  EXPECT_EQ(5, SendMessageA(Item(kTitle), WM_GETTEXTLENGTH, 0, 0));  // "Title", passed on
  RemovePropA(Item(kTitle), "CaptionBar");
  EXPECT_EQ(0, SendMessageA(Item(kTitle), WM_GETTEXTLENGTH, 0, 0));
  ct::g_log = ct::DialogLog();
  HANDLE owner = RemovePropA(dialog_, "CaptionBar");
  EXPECT_EQ(&caption, owner);
  EXPECT_EQ(0, SendMessageA(dialog_, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(Item(kPlain))));
  EXPECT_EQ(0, ct::g_log.ctlColorStatic);
  SetPropA(dialog_, "CaptionBar", owner);
  SetPropA(Item(kTitle), "CaptionBar", owner);
  caption.Detach();
}

TEST(BindingOnPages, WelcomePageWithAllThreeControls) {
  ct::g_answerColours = false;
  HWND page = ct::CreatePageDialog(IDD_WELCOME_PAGE);
  ASSERT_NE(nullptr, page);
  WNDPROC pageProc = ct::ProcOf(page);
  WNDPROC itemProc = ct::ProcOf(GetDlgItem(page, IDC_PAGE_TITLE));
  {
    CaptionBar caption;
    CPicture picture;
    Hyperlink link;
    ASSERT_TRUE(caption.Attach(GetDlgItem(page, IDC_PAGE_TITLE)));
    picture.LoadFromResource(GetModuleHandleA(nullptr), IDB_SIDE_PICTURE);
    ASSERT_TRUE(picture.Attach(GetDlgItem(page, IDC_SIDE_PICTURE)));
    EXPECT_TRUE(picture.SizeToBitmap());
    ASSERT_TRUE(link.Attach(GetDlgItem(page, IDC_HOME_PAGE_LINK)));
    COLORREF colour = link.GetLinkColour();
    link.SetColours(colour, colour, colour);
    char url[255];
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_HOME_PAGE_URL, url, sizeof url), 0);
    link.SetURL(url);
    ct::Settle(page);
    EXPECT_TRUE(td::SaveWindowShot(page, "controls_welcome_page.bmp"));
    // The three bound at once, each item to its own control, and the
    // picture's item sized to the side picture (96 x 222).
    EXPECT_EQ(&caption, GetPropA(GetDlgItem(page, IDC_PAGE_TITLE), "CaptionBar"));
    EXPECT_EQ(&picture, GetPropA(GetDlgItem(page, IDC_SIDE_PICTURE), "CPicture"));
    EXPECT_EQ(&link, GetPropA(GetDlgItem(page, IDC_HOME_PAGE_LINK), "Hyperlink"));
    EXPECT_NE(itemProc, ct::ProcOf(GetDlgItem(page, IDC_PAGE_TITLE)));
    RECT r;
    GetWindowRect(GetDlgItem(page, IDC_SIDE_PICTURE), &r);
    EXPECT_EQ(96, r.right - r.left);
    EXPECT_EQ(222, r.bottom - r.top);
    // Destroyed in reverse order of construction, as the pages' statics are.
  }
  EXPECT_EQ(pageProc, ct::ProcOf(page));
  EXPECT_EQ(itemProc, ct::ProcOf(GetDlgItem(page, IDC_PAGE_TITLE)));
  ExpectNoTagsOn(page);
  DestroyWindow(page);
}

}  // namespace
