// The subclassing engine of Skarvo.dll, through its GSubclass object, on
// real windows: dispatch order for one and three clients, the store kept in
// the window's properties, detaching, restoring the previous procedure,
// nested dispatch and the engine's errors.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "com/win_handles.h"
#include "tests/wine/skarvo_test_support.h"
#include "tests/wine/wine_test_support.h"

namespace {

constexpr UINT kWatched = WM_USER + 1;
constexpr UINT kOther = WM_USER + 2;
constexpr UINT kNested = WM_USER + 3;
constexpr LRESULT kPreviousResult = 100;

std::vector<std::string>* g_log = nullptr;

// The window's own procedure: notes every test message and answers 100.
LRESULT CALLBACK OwnProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m >= kWatched && m <= kNested) {
        if (g_log) g_log->push_back("prev");
        return kPreviousResult;
    }
    return DefWindowProcA(h, m, wp, lp);
}

HWND MakeWindow() {
    wine_test::WindowShape shape;
    shape.className = "SkarvoEngineTest";
    shape.proc = OwnProc;
    shape.caption = "engine";
    shape.style = WS_OVERLAPPEDWINDOW;
    shape.width = 200;
    shape.height = 100;
    return wine_test::MakeWindow(shape);
}

// A client of the engine: answers with its response, notes its name and
// returns its own result; an action may run inside its WindowProc.
class Client final : public _ISubclass {
public:
    Client(std::string name, EMsgResponse response, LONG_PTR result)
        : name_(std::move(name)), response_(response), result_(result) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__ISubclass) {
            *out = static_cast<_ISubclass*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP get_MsgResponse(EMsgResponse* r) override {
        *r = response_;
        return S_OK;
    }
    STDMETHODIMP put_MsgResponse(EMsgResponse) override { return S_OK; }
    STDMETHODIMP WindowProc(LONG, LONG, LONG_PTR wParam, LONG_PTR lParam, LONG_PTR* result) override {
        if (g_log) g_log->push_back(name_);
        seenWParam = wParam;
        seenLParam = lParam;
        if (action) action();
        *result = result_;
        return S_OK;
    }

    std::function<void()> action;
    ULONG refs_ = 1;
    LONG_PTR seenWParam = 0, seenLParam = 0;

private:
    std::string name_;
    EMsgResponse response_;
    LONG_PTR result_;
};

using PropertyMap = std::map<std::string, LONG_PTR>;

LONG_PTR PropertyValue(HWND h, const std::string& name) { return reinterpret_cast<LONG_PTR>(GetPropA(h, name.c_str())); }

BOOL CALLBACK CollectProperty(HWND, LPSTR name, HANDLE value, ULONG_PTR param) {
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0)
        (*reinterpret_cast<PropertyMap*>(param))[name] = reinterpret_cast<LONG_PTR>(value);
    return TRUE;
}

// The engine's properties of the window (named after its handle), name -> value.
PropertyMap Properties(HWND h) {
    PropertyMap all, engine;
    EnumPropsExA(h, CollectProperty, reinterpret_cast<LPARAM>(&all));
    const std::string number = std::to_string(reinterpret_cast<LONG_PTR>(h));
    for (const auto& [name, value] : all)
        if (name.rfind(number, 0) == 0 || name == "C" + number) engine[name] = value;
    return engine;
}

std::string Num(const void* p) { return std::to_string(reinterpret_cast<LONG_PTR>(p)); }
LONG_PTR Address(Client& c) { return reinterpret_cast<LONG_PTR>(static_cast<_ISubclass*>(&c)); }

class SkarvoEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        engine_ = skarvo_test::CreateFromDll<_GSubclass>(CLSID_GSubclass, IID__GSubclass);
        ASSERT_TRUE(engine_);
        window_.Reset(MakeWindow());
        ASSERT_TRUE(window_);
        g_log = &log_;
    }
    void TearDown() override {
        g_log = nullptr;
        window_.Reset();
        engine_.Reset();
        CoUninitialize();
    }

    HRESULT Attach(Client& c, UINT m, HWND h = nullptr) {
        _ISubclass* p = &c;
        return engine_->AttachMessage(&p, static_cast<LONG>(reinterpret_cast<LONG_PTR>(h ? h : window_.Get())),
                                      static_cast<LONG>(m));
    }
    HRESULT Detach(Client& c, UINT m) {
        _ISubclass* p = &c;
        return engine_->DetachMessage(&p, static_cast<LONG>(reinterpret_cast<LONG_PTR>(window_.Get())),
                                      static_cast<LONG>(m));
    }
    LRESULT Send(UINT m, WPARAM wp = 0, LPARAM lp = 0) {
        log_.clear();
        return SendMessageA(window_.Get(), m, wp, lp);
    }
    std::string Name(const std::string& rest) const { return Num(window_.Get()) + rest; }

    com::ComPtr<_GSubclass> engine_;
    com::Window window_;
    std::vector<std::string> log_;
};

TEST_F(SkarvoEngineTest, OneClientDecidesWhenThePreviousProcedureRunsAndWhoseResultCounts) {
    struct Case {
        EMsgResponse response;
        std::vector<std::string> order;
        LRESULT result;
    };
    const Case cases[] = {
        {emrPreprocess, {"prev", "A"}, 7},
        {emrPostProcess, {"A", "prev"}, kPreviousResult},
        {emrConsume, {"A"}, 7},
    };
    for (const Case& c : cases) {
        Client a("A", c.response, 7);
        ASSERT_EQ(Attach(a, kWatched), S_OK);
        EXPECT_EQ(Send(kWatched), c.result) << c.response;
        EXPECT_EQ(log_, c.order) << c.response;
        // A message no client registered passes unchanged.
        EXPECT_EQ(Send(kOther), kPreviousResult);
        EXPECT_EQ(log_, std::vector<std::string>{"prev"});
        ASSERT_EQ(Detach(a, kWatched), S_OK);
        EXPECT_EQ(a.refs_, 1u) << "the engine keeps no reference";
    }
}

TEST_F(SkarvoEngineTest, WithThreeClientsTheFirstDecidesPreProcessingAndTheLastPostProcessing) {
    struct Case {
        EMsgResponse first, middle, last;
        std::vector<std::string> order;
        LRESULT result;
    };
    const Case cases[] = {
        {emrPreprocess, emrConsume, emrPostProcess, {"prev", "A", "B", "C"}, 3},
        {emrConsume, emrPreprocess, emrPostProcess, {"A", "B", "C", "prev"}, kPreviousResult},
        {emrPostProcess, emrPreprocess, emrPreprocess, {"A", "B", "C"}, 3},
        {emrConsume, emrPostProcess, emrConsume, {"A", "B", "C"}, 3},
        {emrPreprocess, emrPreprocess, emrPreprocess, {"prev", "A", "B", "C"}, 3},
    };
    for (const Case& c : cases) {
        Client a("A", c.first, 1), b("B", c.middle, 2), cc("C", c.last, 3);
        ASSERT_EQ(Attach(a, kWatched), S_OK);
        ASSERT_EQ(Attach(b, kWatched), S_OK);
        ASSERT_EQ(Attach(cc, kWatched), S_OK);
        EXPECT_EQ(Send(kWatched), c.result);
        EXPECT_EQ(log_, c.order);
        Detach(a, kWatched);
        Detach(b, kWatched);
        Detach(cc, kWatched);
    }
}

TEST_F(SkarvoEngineTest, TheStoreLivesInTheWindowsPropertiesAndDetachingMovesLaterClientsDown) {
    const HWND h = window_.Get();
    const LONG_PTR own = GetWindowLongPtrA(h, GWLP_WNDPROC);
    Client a("A", emrConsume, 1), b("B", emrConsume, 2), c("C", emrConsume, 3), d("D", emrConsume, 4);
    ASSERT_EQ(Attach(a, kWatched), S_OK);
    ASSERT_EQ(Attach(b, kWatched), S_OK);
    ASSERT_EQ(Attach(c, kWatched), S_OK);
    ASSERT_EQ(Attach(d, kOther), S_OK);

    PropertyMap expected = {
        {Name(""), own},
        {"C" + Num(h), 4},
        {Name("#" + std::to_string(kWatched) + "C"), 3},
        {Name("#" + std::to_string(kWatched) + "#1"), Address(a)},
        {Name("#" + std::to_string(kWatched) + "#2"), Address(b)},
        {Name("#" + std::to_string(kWatched) + "#3"), Address(c)},
        {Name("#" + std::to_string(kOther) + "C"), 1},
        {Name("#" + std::to_string(kOther) + "#1"), Address(d)},
    };
    EXPECT_EQ(Properties(h), expected);

    // The middle client goes: the last one moves down into its slot.
    ASSERT_EQ(Detach(b, kWatched), S_OK);
    expected.erase(Name("#" + std::to_string(kWatched) + "#3"));
    expected[Name("#" + std::to_string(kWatched) + "#2")] = Address(c);
    expected[Name("#" + std::to_string(kWatched) + "C")] = 2;
    expected["C" + Num(h)] = 3;
    EXPECT_EQ(Properties(h), expected);
    Send(kWatched);
    EXPECT_EQ(log_, (std::vector<std::string>{"A", "C"}));

    // Detaching what is not registered changes nothing.
    ASSERT_EQ(Detach(b, kWatched), S_OK);
    EXPECT_EQ(Properties(h), expected);

    // The last client of a message goes while another message stays: the
    // count reads 0 and the message goes straight to the window.
    Detach(a, kWatched);
    Detach(c, kWatched);
    EXPECT_EQ(PropertyValue(h, Name("#" + std::to_string(kWatched) + "C")), 0);
    EXPECT_EQ(Properties(h).count(Name("#" + std::to_string(kWatched) + "C")), 1u);
    EXPECT_NE(GetWindowLongPtrA(h, GWLP_WNDPROC), own);
    EXPECT_EQ(Send(kWatched), kPreviousResult);
    EXPECT_EQ(log_, std::vector<std::string>{"prev"});

    // The last detach on the window puts back exactly the procedure it had.
    Detach(d, kOther);
    EXPECT_EQ(GetWindowLongPtrA(h, GWLP_WNDPROC), own);
    const auto left = Properties(h);
    EXPECT_EQ(left.count(Name("")), 0u);
    EXPECT_EQ(left.count("C" + Num(h)), 0u);
    EXPECT_EQ(Send(kOther), kPreviousResult);
}

TEST_F(SkarvoEngineTest, NestedDispatchOverwritesTheCurrentMessageAndPreviousProcedure) {
    Client outer("outer", emrConsume, 1), inner("inner", emrConsume, 2);
    LONG seenBefore = 0, seenAfter = 0;
    LONG_PTR oldResult = 0;
    outer.action = [&] {
        engine_->get_CurrentMessage(&seenBefore);
        SendMessageA(window_.Get(), kNested, 0, 0);
        engine_->get_CurrentMessage(&seenAfter);
        // Under consume the window never saw the message: the client can still call it.
        engine_->CallOldWindowProc(static_cast<LONG>(reinterpret_cast<LONG_PTR>(window_.Get())), kWatched, 0, 0,
                                   &oldResult);
    };
    ASSERT_EQ(Attach(outer, kWatched), S_OK);
    ASSERT_EQ(Attach(inner, kNested), S_OK);
    EXPECT_EQ(Send(kWatched), 1);
    EXPECT_EQ(seenBefore, static_cast<LONG>(kWatched));
    EXPECT_EQ(seenAfter, static_cast<LONG>(kNested));
    EXPECT_EQ(oldResult, kPreviousResult);
    EXPECT_EQ(log_, (std::vector<std::string>{"outer", "inner", "prev"}));
    Detach(outer, kWatched);
    Detach(inner, kNested);
}

TEST_F(SkarvoEngineTest, AFailedAttachRaisesTheEnginesErrorAndLeavesTheStoreAsItWas) {
    Client a("A", emrConsume, 1), b("B", emrConsume, 2);
    ASSERT_EQ(Attach(a, kWatched), S_OK);
    const auto before = Properties(window_.Get());
    const LONG_PTR proc = GetWindowLongPtrA(window_.Get(), GWLP_WNDPROC);

    com::Window gone(MakeWindow());
    const HWND destroyed = gone.Get();
    gone.Reset();
    // Another process's window: the desktop belongs to the system's shell process.
    DWORD shell = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &shell);
    ASSERT_NE(shell, GetCurrentProcessId());

    struct Case {
        const char* what;
        Client* client;
        HWND h;
        HRESULT hr;
        const wchar_t* description;
    };
    const Case cases[] = {
        {"same client again", &a, window_.Get(), static_cast<HRESULT>(0x8004331A),
         L"Message already handled by another class"},
        {"destroyed window", &b, destroyed, static_cast<HRESULT>(0x8004331B), L"Invalid window"},
        {"handle that is no window", &b, reinterpret_cast<HWND>(1), static_cast<HRESULT>(0x8004331B), L"Invalid window"},
        {"another process's window", &b, GetDesktopWindow(), static_cast<HRESULT>(0x8004331C),
         L"Can't modify external window"},
    };
    for (const Case& c : cases) {
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(Attach(*c.client, kWatched, c.h), c.hr) << c.what;
        const auto error = skarvo_test::TakeErrorInfo();
        EXPECT_EQ(error.source, L"Skarvo.WindowProc") << c.what;
        EXPECT_EQ(error.description, c.description) << c.what;
        EXPECT_EQ(Properties(window_.Get()), before) << c.what;
        EXPECT_EQ(GetWindowLongPtrA(window_.Get(), GWLP_WNDPROC), proc) << c.what;
    }
    EXPECT_TRUE(Properties(GetDesktopWindow()).empty());
    Detach(a, kWatched);
}

// A 64-bit process: a client object above 4 GiB, and a message's wParam,
// lParam and result of all 64 bits, reach the client and come back whole
// (a 32-bit one carries the low halves).
TEST_F(SkarvoEngineTest, ClientAddressesAndMessageValuesKeepAllTheirBits) {
    void* high = nullptr;
    for (uint64_t base = uint64_t{1} << 32; sizeof(void*) == 8 && !high && base < (uint64_t{1} << 46); base <<= 1)
        high = VirtualAlloc(reinterpret_cast<void*>(static_cast<ULONG_PTR>(base)), sizeof(Client),
                            MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (sizeof(void*) == 8) {
        ASSERT_NE(high, nullptr) << "no memory above 4 GiB";
    }
    const auto wp = static_cast<WPARAM>(0xFEDCBA9876543210ull);
    const auto lp = static_cast<LPARAM>(-0x123456789ll);
    const auto answer = static_cast<LRESULT>(0x7EDCBA9876543211ll);
    Client ordinary("high", emrConsume, answer);
    Client& client = high ? *new (high) Client("high", emrConsume, answer) : ordinary;
    ASSERT_EQ(Attach(client, kWatched), S_OK);
    EXPECT_EQ(PropertyValue(window_.Get(), Name("#" + std::to_string(kWatched) + "#1")), Address(client));
    EXPECT_EQ(Send(kWatched, wp, lp), answer);
    EXPECT_EQ(static_cast<WPARAM>(client.seenWParam), wp);
    EXPECT_EQ(client.seenLParam, lp);
    EXPECT_EQ(log_, std::vector<std::string>{"high"});
    ASSERT_EQ(Detach(client, kWatched), S_OK);
    if (high) {
        client.~Client();
        VirtualFree(high, 0, MEM_RELEASE);
    }
}

}  // namespace
