// The settings file on a file system (in memory natively, real files under
// Wine): written, read back and kept safe.
#include "core/settings_store.h"

#include <gtest/gtest.h>

#include "core/app_error.h"
#include "tests/support/test_world.h"

namespace moxlyn {
namespace {

class Window : public WindowPosition {
 public:
  int32_t Left() override { return left; }
  int32_t Top() override { return top; }
  void SetLeft(int32_t value) override { left = value; }
  void SetTop(int32_t value) override { top = value; }
  int32_t left = 0;
  int32_t top = 0;
};

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world_ = testing::MakeWorld();
    world_->SetProgramFolder(world_->Root());
    ini_ = world_->At("Moxlyn.ini");
  }
  Platform& fs() { return world_->platform(); }
  std::string SaveError(const Settings& settings) {
    try {
      SaveSettings(fs(), window_, settings);
    } catch (const AppError& error) {
      return error.Message();
    }
    return "";
  }
  std::unique_ptr<testing::TestWorld> world_;
  std::string ini_;
  Window window_;
};

TEST_F(SettingsFileTest, PathIsBesideTheExecutable) { EXPECT_EQ(SettingsFilePath(fs()), ini_); }

TEST_F(SettingsFileTest, SavedValuesLoadBackAndOtherContentSurvives) {
  world_->MakeFile(ini_,
                   "; mine\r\n[Other]\r\nfoo = bar\r\n[Window]\r\nhello\r\nLeft=1\r\n"
                   "[Config]\r\nメモ = 表示ソ能\r\n");
  window_.left = -1200;
  window_.top = 2147483647;
  const Settings saved{false, true, true, 1, false};
  EXPECT_EQ(SaveError(saved), "");
  EXPECT_EQ(world_->Content(ini_),
            "[Other]\r\nfoo=bar\r\n\r\n[Window]\r\nhello\r\nLeft=-1200\r\nTop=2147483647\r\n\r\n"
            "[Config]\r\nメモ=表示ソ能\r\nConfirmBeforeDelete=0\r\nShowMessageAfterDelete=1\r\n"
            "GetDeleteLog=1\r\nLogType=1\r\nShowTopMost=0\r\n\r\n");
  EXPECT_EQ(world_->Names(), std::vector<std::string>{"Moxlyn.ini"});

  Window loadedWindow;
  Settings loaded;
  LoadSettings(fs(), loadedWindow, loaded);
  EXPECT_EQ(loadedWindow.left, -1200);
  EXPECT_EQ(loadedWindow.top, 2147483647);
  EXPECT_EQ(loaded.ConfirmBeforeDelete, false);
  EXPECT_EQ(loaded.ShowMessageAfterDelete, true);
  EXPECT_EQ(loaded.GetDeleteLog, true);
  EXPECT_EQ(loaded.LogType, 1);
  EXPECT_EQ(loaded.ShowTopMost, false);

  // A second exit with nothing changed writes the same bytes.
  const std::string first = world_->Content(ini_);
  EXPECT_EQ(SaveError(loaded), "");
  EXPECT_EQ(world_->Content(ini_), first);
}

TEST_F(SettingsFileTest, ReadOnlyFileLoadsButIsNotRewritten) {
  const std::string old = "[Config]\r\nLogType=1\r\n";
  world_->MakeFile(ini_, old, kAttrReadOnly);
  Settings settings;
  LoadSettings(fs(), window_, settings);
  EXPECT_EQ(settings.LogType, 1);
  EXPECT_EQ(SaveError(settings), "ファイル " + ini_ + " を作成できません");
  EXPECT_EQ(world_->Content(ini_), old);
  EXPECT_NE(world_->Attributes(ini_) & kAttrReadOnly, 0u);
  EXPECT_EQ(world_->Names(), std::vector<std::string>{"Moxlyn.ini"});
}

TEST_F(SettingsFileTest, UnreadableFileIsReportedAtStartAndAtExit) {
  const std::string old = "[Window]\r\nLeft=5\r\n";
  world_->MakeFile(ini_, old);
  ASSERT_TRUE(world_->DenyRead(ini_));
  Settings settings;
  window_.left = 3;
  try {
    LoadSettings(fs(), window_, settings);
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Message(), "ファイル " + ini_ + " は開けません");
  }
  EXPECT_EQ(window_.left, 3);
  EXPECT_EQ(window_.top, 0);
  EXPECT_FALSE(settings.ConfirmBeforeDelete || settings.ShowMessageAfterDelete ||
               settings.GetDeleteLog || settings.ShowTopMost);
  EXPECT_EQ(settings.LogType, 0);
  EXPECT_EQ(SaveError(settings), "ファイル " + ini_ + " は開けません");
  EXPECT_EQ(world_->Names(), std::vector<std::string>{"Moxlyn.ini"});
}

TEST_F(SettingsFileTest, FolderOfTheFileNameIsNoFileAndCannotBeWritten) {
  world_->MakeFolder(ini_);
  Settings settings;
  LoadSettings(fs(), window_, settings);
  EXPECT_EQ(window_.left, 100);
  EXPECT_EQ(SaveError(settings), "ファイル " + ini_ + " を作成できません");
  EXPECT_NE(world_->Attributes(ini_) & kAttrDirectory, 0u);
}

}  // namespace
}  // namespace moxlyn
