#include <gtest/gtest.h>

#include <string>

#include "device/scannerdriver.h"
#include "frame/frame_fixture.h"

namespace frame_testing {
namespace {

using testing_support::DebugRecorder;
using testing_support::ExeDir;

std::wstring DataSourcePath() {
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows) + L"\\twain_32\\Plexo\\kdv310.ds";
}

class DriverTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { testing_support::InstallDataSource(); }
  void SetUp() override {
    ASSERT_TRUE(sim.Open());
    sim.Reset();
    sim.SetCalibrationWindow(false, 0);
  }
  void TearDown() override { testing_support::InstallDataSource(); }
  std::string Calls() const { return Describe(sim.Calls()); }

  mutable scannersim::Control sim;
};

TEST_F(DriverTest, LoadsBothLibrariesAndPassesCallsThrough) {
  DebugRecorder debug;
  CScannerDriver driver;
  EXPECT_TRUE(debug.lines.empty());
  EXPECT_TRUE(driver.HasCalibrate());
  sim.Attach();
  EXPECT_EQ(driver.StartScan(), 1);
  driver.EndScan();
  driver.SetTimeOut(200);
  driver.ProcessPaperJam();
  sim.Press(1, 1);
  EXPECT_EQ(driver.IsButtonPressed(1), 1);
  EXPECT_EQ(driver.ForwardStepMotor(12), 12) << "wrapped, though the program never calls it";
  EXPECT_EQ(Calls(),
            "StartScan=1 EndScan SetTimeOut(200) ProcessPaperJam IsButtonPressed(1)=1 "
            "ForwardStepMotor(12)=12");
}

TEST_F(DriverTest, ADriverResultOf0xFFFFReadsAsMinusOne) {
  CScannerDriver driver;
  sim.Attach();
  sim.ForceRead(0, static_cast<short>(0xFFFF));
  EXPECT_EQ(static_cast<int>(driver.IsButtonPressed(0)), -1);
}

TEST_F(DriverTest, StoppingAnswersZeroWithoutCallingTheDriver) {
  CScannerDriver driver;
  sim.Attach();
  sim.Hold(0);
  driver.stopping = 1;
  EXPECT_EQ(driver.IsButtonPressed(0), 0);
  EXPECT_EQ(Calls(), "");
  EXPECT_EQ(driver.StartScan(), 1) << "stopping touches only the button reads";
}

TEST_F(DriverTest, WithoutTheDataSourceOneLineNamesThePathAndCalibrateDoesNothing) {
  testing_support::RemoveDataSource();
  DebugRecorder debug;
  CScannerDriver driver;
  ASSERT_EQ(debug.lines.size(), 1u);
  EXPECT_EQ(debug.lines[0], L"Unable to load " + DataSourcePath() + L" dll\n");
  EXPECT_FALSE(driver.HasCalibrate());
  EXPECT_EQ(driver.Calibrate(0, 0), 0);
  EXPECT_EQ(Calls(), "");
  sim.Attach();
  EXPECT_EQ(driver.StartScan(), 1) << "the driver library works on its own";
}

TEST_F(DriverTest, ADataSourceWithoutTheCalibrationEntryIsReported) {
  // Any library without the export stands in for such a data source.
  ASSERT_TRUE(CopyFileW((ExeDir() + L"\\kdv310.dll").c_str(), DataSourcePath().c_str(), FALSE));
  DebugRecorder debug;
  CScannerDriver driver;
  ASSERT_EQ(debug.lines.size(), 1u);
  EXPECT_EQ(debug.lines[0], L"Entry docalibrate_lang not found\n");
  EXPECT_FALSE(driver.HasCalibrate());
  EXPECT_EQ(driver.Calibrate(0, 0), 0);
}

TEST_F(DriverTest, WithoutTheDriverLibraryEverythingAnswersItsDefault) {
  const std::wstring dll = ExeDir() + L"\\kdv310.dll";
  const std::wstring parked = ExeDir() + L"\\kdv310.dll.parked";
  ASSERT_EQ(GetModuleHandleW(L"kdv310.dll"), nullptr);
  ASSERT_TRUE(MoveFileExW(dll.c_str(), parked.c_str(), MOVEFILE_REPLACE_EXISTING));
  {
    CScannerDriver driver;
    sim.Attach();
    sim.Hold(0);
    EXPECT_EQ(driver.StartScan(), 0);
    EXPECT_EQ(driver.IsButtonPressed(0), 0);
    EXPECT_EQ(driver.IsButtonPressed(1), 0);
    driver.EndScan();
    EXPECT_TRUE(driver.HasCalibrate()) << "the data source loads on its own";
  }
  ASSERT_TRUE(MoveFileExW(parked.c_str(), dll.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Calls(), "");
}

TEST_F(DriverTest, CalibrateHandsOverModeAndLanguage) {
  CScannerDriver driver;
  driver.Calibrate(0, 37);
  driver.Calibrate(0, 0);
  EXPECT_EQ(Calls(), "docalibrate_lang(0,37) docalibrate_lang(0,0)");
}

TEST_F(DriverTest, DestructionUnloadsBothLibraries) {
  {
    CScannerDriver driver;
    EXPECT_NE(GetModuleHandleW(L"kdv310.dll"), nullptr);
    EXPECT_NE(GetModuleHandleW(DataSourcePath().c_str()), nullptr);
  }
  EXPECT_EQ(GetModuleHandleW(L"kdv310.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleW(DataSourcePath().c_str()), nullptr);
  EXPECT_EQ(Calls(), "") << "unloading calls nothing in the driver";
}

}  // namespace
}  // namespace frame_testing
