// Display device list, 60 Hz filtering, mode choice for full screen and letterbox bars.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "app/frame_clock.h"
#include "app/startup.h"
#include "settings/settings.h"
#include "ui/display_modes.h"

namespace velkar {
namespace {

constexpr uint32_t ALL_FIELDS = MODE_FIELD_WIDTH | MODE_FIELD_HEIGHT | MODE_FIELD_REFRESH;

class DisplayModes : public ::testing::Test {
  protected:
    void SetUp() override {
        savedDevice = ScreenDevice;
        savedResolution = ScreenResolution;
        savedBpp = ScreenBpp;
        ASSERT_EQ(CreateDisplayDeviceList(1), 0);
        tried.clear();
    }
    void TearDown() override {
        FreeDisplayDeviceList();
        ScreenDevice = savedDevice;
        ScreenResolution = savedResolution;
        ScreenBpp = savedBpp;
    }
    int32_t savedDevice = 0, savedResolution = 0, savedBpp = 0;

  public:
    struct Try {
        uint32_t w, h, bpp, hz;
    };
    static inline std::vector<Try> tried;
    static inline uint32_t acceptWidth = 0, acceptHeight = 0;
    static int32_t FakeSetMode(uint32_t w, uint32_t h, uint32_t bpp, uint32_t hz) {
        tried.push_back({w, h, bpp, hz});
        return w == acceptWidth && h == acceptHeight ? 1 : 0;
    }
};

TEST_F(DisplayModes, ListStartsWithDefaultAndCutsDriverNames) {
    EXPECT_EQ(DisplayDeviceCount, 2);
    EXPECT_STREQ(DisplayDeviceList[0].deviceName, "Default");
    const uint8_t id[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::string longName(100, 'n');
    EXPECT_EQ(SetDisplayDeviceEntry(1, id, longName.c_str()), 0);
    EXPECT_EQ(std::strlen(DisplayDeviceList[1].deviceName), 63u);
    EXPECT_EQ(DisplayDeviceList[1].deviceId[15], 16);
    uint8_t zero[16] = {};
    EXPECT_EQ(std::memcmp(DisplayDeviceList[0].deviceId, zero, 16), 0);
    EXPECT_EQ(SetDisplayDeviceEntry(0, id, "x"), -1);
    EXPECT_EQ(SetDisplayDeviceEntry(2, id, "x"), -1);
}

TEST_F(DisplayModes, OnlySixtyHertzOnceEachAndAtMost128) {
    DisplayDevice* d = &DisplayDeviceList[0];
    EXPECT_EQ(AddDisplayMode(d, ALL_FIELDS, 800, 600, 75), 0);
    EXPECT_EQ(AddDisplayMode(d, ALL_FIELDS, 800, 600, 60), 1);
    EXPECT_EQ(AddDisplayMode(d, ALL_FIELDS, 800, 600, 85), 0);
    EXPECT_EQ(AddDisplayMode(d, ALL_FIELDS, 800, 600, 60), 0); // second colour depth
    EXPECT_EQ(AddDisplayMode(d, 0, 640, 480, 60), 0);          // carries no field
    EXPECT_EQ(AddDisplayMode(d, MODE_FIELD_REFRESH, 640, 480, 60), 1);
    EXPECT_EQ(d->modeCount, 2);
    for (uint32_t w = 1; d->modeCount < 128; w++)
        AddDisplayMode(d, ALL_FIELDS, w, 100, 60);
    EXPECT_EQ(AddDisplayMode(d, ALL_FIELDS, 5000, 5000, 60), 0);
    EXPECT_EQ(d->modeCount, 128);
}

TEST_F(DisplayModes, SortedByWidthHeightAndEmptyDeviceFails) {
    DisplayDevice* d = &DisplayDeviceList[1];
    EXPECT_EQ(FinishDisplayModes(d), -1);
    const uint32_t sizes[][2] = {{1024, 768}, {640, 480}, {800, 600}, {640, 400}, {800, 480}};
    for (const auto& s : sizes)
        AddDisplayMode(d, ALL_FIELDS, s[0], s[1], 60);
    EXPECT_EQ(FinishDisplayModes(d), 0);
    const uint32_t expected[][2] = {{640, 400}, {640, 480}, {800, 480}, {800, 600}, {1024, 768}};
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(d->modeWidth[i], expected[i][0]) << i;
        EXPECT_EQ(d->modeHeight[i], expected[i][1]) << i;
    }
}

TEST_F(DisplayModes, AutoModeBars) {
    const int32_t bars[AUTO_MODE_COUNT][2] = {{140, 0}, {220, 0}, {0, 0},   {0, 80},
                                              {255, 0}, {0, 80},  {175, 0}, {0, 0}};
    for (int32_t i = 0; i < AUTO_MODE_COUNT; i++) {
        int32_t x = -1, y = -1;
        ComputeLetterbox(AUTO_MODE_WIDTH[i], AUTO_MODE_HEIGHT[i], &x, &y);
        EXPECT_EQ(x, bars[i][0]) << AUTO_MODE_WIDTH[i] << "x" << AUTO_MODE_HEIGHT[i];
        EXPECT_EQ(y, bars[i][1]) << AUTO_MODE_WIDTH[i] << "x" << AUTO_MODE_HEIGHT[i];
    }
    int32_t x = -1, y = -1;
    ComputeLetterbox(1024, 768, &x, &y);
    EXPECT_EQ(x, 224);
    ComputeLetterbox(600, 600, &x, &y);
    EXPECT_EQ(x + y, 0);
}

TEST_F(DisplayModes, FullScreenPictureAndBlackAreasCoverEveryPixelOnce) {
    std::vector<std::pair<int32_t, int32_t>> modes;
    for (int32_t i = 0; i < AUTO_MODE_COUNT; i++)
        modes.emplace_back(AUTO_MODE_WIDTH[i], AUTO_MODE_HEIGHT[i]);
    for (auto mode : {std::pair{1024, 768}, {600, 600}, {1366, 768}, {1080, 1921}, {1, 1}})
        modes.push_back(mode);
    for (auto [w, h] : modes) {
        int32_t barX = 0, barY = 0;
        ComputeLetterbox(w, h, &barX, &barY);
        const FullScreenLayout layout = ComputeFullScreenLayout(w, h, barX, barY);
        std::vector<int> covered(static_cast<size_t>(w * h), 0);
        const auto paint = [&](const ScreenRect& r) {
            ASSERT_GE(r.width, 0);
            ASSERT_GE(r.height, 0);
            for (int32_t y = r.top; y < r.top + r.height; ++y)
                for (int32_t x = r.left; x < r.left + r.width; ++x) {
                    ASSERT_TRUE(x >= 0 && x < w && y >= 0 && y < h) << x << "," << y;
                    ++covered[static_cast<size_t>(y * w + x)];
                }
        };
        paint(layout.picture);
        for (const ScreenRect& r : layout.black)
            paint(r);
        int32_t uncovered = 0, twice = 0;
        for (int c : covered) {
            uncovered += c == 0;
            twice += c > 1;
        }
        EXPECT_EQ(uncovered, 0) << w << "x" << h;
        EXPECT_EQ(twice, 0) << w << "x" << h;
    }
    // 800 x 600: the picture takes x 175..623 and y 0..598, as the flip chain draws it.
    const FullScreenLayout layout = ComputeFullScreenLayout(800, 600, 175, 0);
    EXPECT_EQ(layout.picture.left, 175);
    EXPECT_EQ(layout.picture.width, 449);
    EXPECT_EQ(layout.picture.height, 599);
    EXPECT_EQ(layout.black[1].left, 624);
    EXPECT_EQ(layout.black[1].width, 176);
}

TEST_F(DisplayModes, AutoTriesTheSizesInOrderAt60Hz) {
    ScreenResolution = 0;
    ScreenBpp = 32;
    acceptWidth = 800;
    acceptHeight = 600;
    EXPECT_EQ(SetupFullScreenMode(FakeSetMode), 1);
    ASSERT_EQ(tried.size(), 7u);
    for (size_t i = 0; i < tried.size(); i++) {
        EXPECT_EQ(tried[i].w, static_cast<uint32_t>(AUTO_MODE_WIDTH[i]));
        EXPECT_EQ(tried[i].h, static_cast<uint32_t>(AUTO_MODE_HEIGHT[i]));
        EXPECT_EQ(tried[i].bpp, 32u);
        EXPECT_EQ(tried[i].hz, 60u);
    }
    EXPECT_EQ(FullScreenWidth, 800);
    EXPECT_EQ(FullScreenHeight, 600);
    EXPECT_EQ(FullScreenBpp, 32);
    EXPECT_EQ(LetterboxX, 175);
    EXPECT_EQ(LetterboxY, 0);
}

TEST_F(DisplayModes, OnlyLargeModeFailsAutoButWorksWhenChosen) {
    DisplayDevice* d = &DisplayDeviceList[1];
    AddDisplayMode(d, ALL_FIELDS, 1024, 768, 60);
    FinishDisplayModes(d);
    acceptWidth = 1024;
    acceptHeight = 768;
    ScreenDevice = 1;
    ScreenResolution = 0;
    EXPECT_EQ(SetupFullScreenMode(FakeSetMode), 0);
    EXPECT_EQ(tried.size(), 8u);
    EXPECT_EQ(LetterboxX, 0);
    ScreenResolution = 1;
    EXPECT_EQ(SetupFullScreenMode(FakeSetMode), 1);
    EXPECT_EQ(FullScreenWidth, 1024);
    EXPECT_EQ(FullScreenRefresh, 60);
    EXPECT_EQ(LetterboxX, 224);
    ScreenResolution = 2; // beyond the list: nothing is tried
    tried.clear();
    EXPECT_EQ(SetupFullScreenMode(FakeSetMode), 0);
    EXPECT_TRUE(tried.empty());
}

TEST_F(DisplayModes, TimerPeriodAndLock) {
    EXPECT_EQ(FrameTimerPeriod(1, 0), 5);
    EXPECT_EQ(FrameTimerPeriod(1, 1), 16);
    EXPECT_EQ(FrameTimerPeriod(0, 0), 16);
    EXPECT_EQ(FullScreenLockTicks(2), 93);
    EXPECT_EQ(FullScreenLockTicks(3), 0);
    EXPECT_EQ(FullScreenLockTicks(4), 0);
    int32_t savedKind = OsKind;
    FullScreenLock.store(0);
    OsKind = 4;
    NoteFullScreenLeft();
    EXPECT_EQ(FullScreenLock.load(), 0);
    OsKind = 2;
    NoteFullScreenLeft();
    EXPECT_EQ(FullScreenLock.load(), 93);
    FullScreenLock.store(0);
    OsKind = savedKind;
}

} // namespace
} // namespace velkar
