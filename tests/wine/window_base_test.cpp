// The window base: one class for any number of windows, each object reached
// from WM_NCCREATE to WM_NCDESTROY and never after, whoever ends the window.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "com/window_base.h"

namespace {

class Probe : public com::WindowBase<Probe> {
public:
    explicit Probe(std::vector<UINT>& seen, bool refuseCreate = false) : seen_(seen), refuseCreate_(refuseCreate) {
        created_ = CreateWindowOf(GetModuleHandleA(nullptr), {"QuelmarWindowBaseProbe"}, "probe",
                                  WS_OVERLAPPEDWINDOW, {}, nullptr);
    }
    ~Probe() { seen_.push_back(0); }  // the object's end, in the same log
    bool created_ = false;

private:
    friend class com::WindowBase<Probe>;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
        seen_.push_back(msg);
        if (msg == WM_CREATE && refuseCreate_) return -1;
        return DefaultHandling(msg, wParam, lParam);
    }
    std::vector<UINT>& seen_;
    bool refuseCreate_;
};

TEST(WindowBaseTest, EachWindowOfOneClassAnswersToItsOwnObjectUntilItGoes) {
    std::vector<UINT> first, second;
    Probe a(first), b(second);
    ASSERT_TRUE(a.created_ && b.created_);
    ASSERT_NE(a.Handle(), b.Handle());
    SendMessageA(b.Handle(), WM_USER, 0, 0);
    EXPECT_EQ(std::count(second.begin(), second.end(), WM_USER), 1);
    EXPECT_EQ(std::count(first.begin(), first.end(), WM_USER), 0);
    EXPECT_EQ(first.front(), static_cast<UINT>(WM_NCCREATE));

    // Ended by code (or the system) while the object lives on.
    const HWND h = a.Handle();
    DestroyWindow(h);
    EXPECT_EQ(a.Handle(), nullptr);
    EXPECT_EQ(first.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_NE(b.Handle(), nullptr);
}

TEST(WindowBaseTest, AnObjectGoingFirstTakesItsWindowWithoutAnotherMessage) {
    std::vector<UINT> seen;
    auto probe = std::make_unique<Probe>(seen);
    const HWND h = probe->Handle();
    probe.reset();
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(seen.back(), 0u);  // nothing reached the object after its end
}

TEST(WindowBaseTest, ARefusedCreationLeavesNoWindow) {
    std::vector<UINT> seen;
    Probe probe(seen, true);
    EXPECT_FALSE(probe.created_);
    EXPECT_EQ(probe.Handle(), nullptr);
    EXPECT_EQ(seen.back(), static_cast<UINT>(WM_NCDESTROY));
}

}  // namespace
