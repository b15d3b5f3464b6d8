// The installed help file in Wine's help viewer: the context number that the
// finish page passes opens the overview, and every entry of the installed
// contents file opens the topic of its title through the file's context
// strings.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "engine_test_support.h"
#include "help_viewer.h"
#include "test_driver.h"

using namespace engine_test;

namespace {

void InstallUnattended() {
  CreateDirectoryA(HelpDir().c_str(), nullptr);
  DWORD code = 99;
  ASSERT_TRUE(td::RunSetup("-u", 60000, &code));
  ASSERT_TRUE(td::FileExists(HelpDir() + "VDLite.hlp"));
  hv::PutOnSearchPath(HelpDir());
}

TEST(HelpViewer, FinishPageContextOpensTheOverview) {
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  ASSERT_FALSE(hv::AnyHelpWindow());
  EXPECT_TRUE(WinHelpA(nullptr, "VDLite.hlp", HELP_CONTEXT, hv::kOverviewContext));
  HWND help = hv::WaitForTopic();
  ASSERT_NE(help, nullptr) << "no topic shown";
  const std::string text = hv::TopicText(help);
  EXPECT_EQ(hv::FirstLine(text), "Overview") << text;
  EXPECT_NE(text.find("Properties window"), std::string::npos) << text;
  td::SavePaintedScreenshot(help, "help-overview.bmp");
  hv::CloseViewer();
}

// "2 Title=context" lines of the installed contents file.
std::vector<std::pair<std::string, std::string>> ContentsEntries() {
  std::string cnt;
  EXPECT_TRUE(td::ReadWholeFile(HelpDir() + "VDLite.cnt", &cnt));
  std::vector<std::pair<std::string, std::string>> entries;
  for (size_t at = 0; at < cnt.size();) {
    size_t eol = cnt.find_first_of("\r\n", at);
    if (eol == std::string::npos) eol = cnt.size();
    const std::string line = cnt.substr(at, eol - at);
    at = cnt.find_first_not_of("\r\n", eol);
    const size_t eq = line.find('=');
    if (line.compare(0, 2, "2 ") == 0 && eq != std::string::npos)
      entries.push_back({line.substr(2, eq - 2), line.substr(eq + 1)});
  }
  return entries;
}

TEST(HelpViewer, EveryContentsEntryOpensTheTopicOfItsTitle) {
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  const auto entries = ContentsEntries();
  ASSERT_EQ(entries.size(), 4u);
  for (const auto& entry : entries) {
    SCOPED_TRACE(entry.second);
    // The viewer's -i option opens the topic of a context string.
    td::Process viewer;
    ASSERT_TRUE(viewer.Start("winhlp32.exe -i " + entry.second + " VDLite.hlp"));
    HWND help = hv::WaitForTopic(viewer.pid());
    if (help == nullptr) viewer.Kill();
    ASSERT_NE(help, nullptr) << "no topic shown";
    EXPECT_EQ(hv::FirstLine(hv::TopicText(help)), entry.first);
    EXPECT_EQ(td::WindowText(help).compare(0, 17, "Vandrel Lite Help"), 0) << td::WindowText(help);
    PostMessageA(help, WM_CLOSE, 0, 0);
    DWORD code = 0;
    if (!viewer.WaitExit(td::kWaitMs, &code)) viewer.Kill();
  }
}

}  // namespace
