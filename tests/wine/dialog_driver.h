// Drives the platform's dialogs that a call under test opens on this thread:
// each new dialog or message box is answered by the next step given, from
// inside its own modal loop, when it is activated (a CBT hook tells), never
// after a delay. A window that appears with no step left is cancelled.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace wine_test {

class DialogDriver {
public:
    using Step = std::function<void(HWND)>;

    DialogDriver();
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    void Then(Step step) { steps_.push_back(std::move(step)); }
    // Answers the windows that find no step instead of cancelling them (a
    // prompt that one platform shows and another does not).
    void Otherwise(Step step) { otherwise_ = std::move(step); }
    // Runs `action` once `window` has gone (a message box answered, say).
    void WhenGone(HWND window, std::function<void()> action) { whenGone_[window] = std::move(action); }

    // The captions of the windows seen, in order, and how many found no step
    // (nor an answer given by Otherwise).
    const std::vector<std::string>& Seen() const { return seen_; }
    int Unexpected() const { return unexpected_; }
    bool StepsLeft() const { return !steps_.empty(); }

    // Steps for a file dialog: type `name` into the file box and press OK;
    // press Cancel. For a message box: press `id`.
    static void TypeAndOk(HWND dialog, const std::string& name);
    static void Press(HWND window, int id);
    // What the file dialog shows: the first entry of its file-type list, and
    // whether its read-only check box is visible.
    static std::string FirstFileType(HWND dialog);
    static bool ReadOnlyBoxVisible(HWND dialog);

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK HelperProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void OnActivated(HWND window);
    void OnGone(HWND window);

    HHOOK hook_ = nullptr;
    HWND helper_ = nullptr;
    std::deque<Step> steps_;
    Step otherwise_;
    std::set<HWND> known_;
    std::map<HWND, std::function<void()>> whenGone_;
    std::vector<std::string> seen_;
    int unexpected_ = 0;
};

}  // namespace wine_test
