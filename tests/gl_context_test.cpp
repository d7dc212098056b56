// CGlContext against a stand-in window system that records every call.
#include "render/gl_context.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Handles are made-up addresses; the recorder names them W1, D1, R1, ...
struct Recorder {
    std::vector<std::string> calls;
    std::vector<PIXELFORMATDESCRIPTOR> requests;
    int chooseResult = 2;
    bool setResult = true;
    uintptr_t nextHandle = 0x1000;
    std::map<uintptr_t, std::string> names;
    int dcCount = 0;
    int rcCount = 0;

    template <class Handle>
    Handle Make(const std::string& prefix, int* count) {
        nextHandle += 0x10;
        names[nextHandle] = prefix + std::to_string(++*count);
        return reinterpret_cast<Handle>(nextHandle);
    }
    template <class Handle>
    std::string Name(Handle handle) {
        if (!handle) return "null";
        auto it = names.find(reinterpret_cast<uintptr_t>(handle));
        return it == names.end() ? "?" : it->second;
    }
};
Recorder recorder;

HDC RecGetDC(HWND window) {
    HDC dc = recorder.Make<HDC>("D", &recorder.dcCount);
    recorder.calls.push_back("GetDC(" + recorder.Name(window) + ")=" + recorder.Name(dc));
    return dc;
}
int RecReleaseDC(HWND window, HDC dc) {
    recorder.calls.push_back("ReleaseDC(" + recorder.Name(window) + "," + recorder.Name(dc) + ")");
    return 1;
}
int RecChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
    recorder.calls.push_back("ChoosePixelFormat(" + recorder.Name(dc) + ")");
    recorder.requests.push_back(*request);
    return recorder.chooseResult;
}
bool RecSetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request) {
    recorder.calls.push_back("SetPixelFormat(" + recorder.Name(dc) + "," + std::to_string(format) + ")");
    recorder.requests.push_back(*request);
    return recorder.setResult;
}
HGLRC RecCreateContext(HDC dc) {
    HGLRC context = recorder.Make<HGLRC>("R", &recorder.rcCount);
    recorder.calls.push_back("CreateContext(" + recorder.Name(dc) + ")=" + recorder.Name(context));
    return context;
}
bool RecMakeCurrent(HDC dc, HGLRC context) {
    recorder.calls.push_back("MakeCurrent(" + recorder.Name(dc) + "," + recorder.Name(context) + ")");
    return true;
}
bool RecDeleteContext(HGLRC context) {
    recorder.calls.push_back("DeleteContext(" + recorder.Name(context) + ")");
    return true;
}
bool RecSwapBuffers(HDC dc) {
    recorder.calls.push_back("SwapBuffers(" + recorder.Name(dc) + ")");
    return true;
}
bool RecHasCurrentContext() {
    return false;
}
const GlWindowBackend kRecording = {RecGetDC,         RecReleaseDC,     RecChoosePixelFormat,
                                    RecSetPixelFormat, RecCreateContext, RecMakeCurrent,
                                    RecDeleteContext,  RecSwapBuffers,   RecHasCurrentContext};

using Calls = std::vector<std::string>;

class GlContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        recorder = Recorder();
        window = recorder.Make<HWND>("W", &windowCount);
        previous = SetGlWindowBackend(&kRecording);
    }
    void TearDown() override { SetGlWindowBackend(previous); }

    // The calls made since the last look.
    Calls TakeCalls() {
        Calls calls;
        calls.swap(recorder.calls);
        return calls;
    }

    int windowCount = 0;
    HWND window = nullptr;
    const GlWindowBackend* previous = nullptr;
};

const Calls kCreate = {"GetDC(W1)=D1",          "ChoosePixelFormat(D1)", "SetPixelFormat(D1,2)",
                       "CreateContext(D1)=R1", "MakeCurrent(D1,R1)",    "ReleaseDC(W1,D1)"};

TEST_F(GlContextTest, ReleaseOnAFreshObjectMakesNoCall) {
    {
        CGlContext context;
        context.Release();
        EXPECT_EQ(context.Window, nullptr);
        EXPECT_EQ(context.DeviceContext, nullptr);
        EXPECT_EQ(context.RenderContext, nullptr);
    }
    EXPECT_EQ(TakeCalls(), Calls{});
}

TEST_F(GlContextTest, CreateAsksForTheFormatThenLeavesTheContextCurrentWithoutADeviceContext) {
    CGlContext context;
    context.Create(window);
    EXPECT_EQ(TakeCalls(), kCreate);
    EXPECT_EQ(context.Window, window);
    EXPECT_EQ(context.DeviceContext, nullptr);
    EXPECT_EQ(recorder.Name(context.RenderContext), "R1");

    // Double buffering alone (not draw-to-window or OpenGL support), RGBA,
    // 24 colour and 32 depth bits, nothing else.
    PIXELFORMATDESCRIPTOR expected;
    std::memset(&expected, 0, sizeof expected);
    expected.nSize = 40;
    expected.nVersion = 1;
    expected.dwFlags = 1;
    expected.cColorBits = 24;
    expected.cDepthBits = 32;
    ASSERT_EQ(recorder.requests.size(), 2u);
    for (const PIXELFORMATDESCRIPTOR& request : recorder.requests) {
        EXPECT_EQ(request.dwFlags, 1u);
        EXPECT_EQ(request.cDepthBits, 32);
        EXPECT_EQ(std::memcmp(&request, &expected, sizeof expected), 0);
    }
    EXPECT_EQ(std::memcmp(&context.FormatDescriptor, &expected, sizeof expected), 0);
}

TEST_F(GlContextTest, ASecondCreateUndoesTheFirst) {
    CGlContext context;
    context.Create(window);
    TakeCalls();
    HWND other = recorder.Make<HWND>("W", &windowCount);
    context.Create(other);
    EXPECT_EQ(TakeCalls(), (Calls{"DeleteContext(R1)", "GetDC(W2)=D2", "ChoosePixelFormat(D2)",
                                  "SetPixelFormat(D2,2)", "CreateContext(D2)=R2", "MakeCurrent(D2,R2)",
                                  "ReleaseDC(W2,D2)"}));
    EXPECT_EQ(context.Window, other);
    ASSERT_EQ(recorder.requests.size(), 4u);
    EXPECT_EQ(std::memcmp(&recorder.requests[0], &recorder.requests[2], sizeof(PIXELFORMATDESCRIPTOR)), 0);
}

TEST_F(GlContextTest, AFrameFetchesAndGivesBackItsOwnDeviceContext) {
    CGlContext context;
    context.Create(window);
    TakeCalls();
    context.BeginFrame();
    EXPECT_EQ(TakeCalls(), (Calls{"GetDC(W1)=D2", "MakeCurrent(D2,R1)"}));
    EXPECT_EQ(recorder.Name(context.DeviceContext), "D2");
    context.EndFrame();
    EXPECT_EQ(TakeCalls(), (Calls{"SwapBuffers(D2)", "ReleaseDC(W1,D2)"}));
    EXPECT_EQ(context.DeviceContext, nullptr);
    // No device context is left to give back, only the context to delete.
    context.Release();
    EXPECT_EQ(TakeCalls(), (Calls{"DeleteContext(R1)"}));
    EXPECT_EQ(context.Window, nullptr);
    EXPECT_EQ(context.RenderContext, nullptr);
}

struct FormatFailure {
    const char* name;
    int chooseResult;
    bool setResult;
    Calls callsUntilFailure;
};

void PrintTo(const FormatFailure& failure, std::ostream* out) {
    *out << failure.name;
}

class GlContextFailureTest : public GlContextTest, public ::testing::WithParamInterface<FormatFailure> {};

TEST_P(GlContextFailureTest, RaisesAndKeepsTheDeviceContextUntilReleased) {
    recorder.chooseResult = GetParam().chooseResult;
    recorder.setResult = GetParam().setResult;
    {
        CGlContext context;
        try {
            context.Create(window);
            ADD_FAILURE() << "Create did not raise";
        } catch (const std::logic_error& error) {
            EXPECT_STREQ(error.what(), "Error initializing contex");
        }
        EXPECT_EQ(TakeCalls(), GetParam().callsUntilFailure);
        EXPECT_EQ(context.Window, window);
        EXPECT_EQ(recorder.Name(context.DeviceContext), "D1");
        EXPECT_EQ(context.RenderContext, nullptr);
    }
    // Destruction gives the held device context back and deletes nothing.
    EXPECT_EQ(TakeCalls(), (Calls{"ReleaseDC(W1,D1)"}));
}

INSTANTIATE_TEST_SUITE_P(
    , GlContextFailureTest,
    ::testing::Values(FormatFailure{"NoPixelFormat", 0, true, {"GetDC(W1)=D1", "ChoosePixelFormat(D1)"}},
                      FormatFailure{"PixelFormatRefused", 2, false,
                                    {"GetDC(W1)=D1", "ChoosePixelFormat(D1)", "SetPixelFormat(D1,2)"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(GlContextTest, AfterAFailedCreateFramesRunWithoutAContextAndLoseNoDeviceContext) {
    recorder.chooseResult = 0;
    CGlContext context;
    EXPECT_THROW(context.Create(window), std::logic_error);
    TakeCalls();
    context.BeginFrame();
    EXPECT_EQ(TakeCalls(), (Calls{"ReleaseDC(W1,D1)", "GetDC(W1)=D2", "MakeCurrent(D2,null)"}));
    context.EndFrame();
    EXPECT_EQ(TakeCalls(), (Calls{"SwapBuffers(D2)", "ReleaseDC(W1,D2)"}));
    EXPECT_EQ(context.DeviceContext, nullptr);
    // A later Create still attaches.
    recorder.chooseResult = 2;
    context.Create(window);
    EXPECT_EQ(TakeCalls(), (Calls{"GetDC(W1)=D3", "ChoosePixelFormat(D3)", "SetPixelFormat(D3,2)",
                                  "CreateContext(D3)=R1", "MakeCurrent(D3,R1)", "ReleaseDC(W1,D3)"}));
}

TEST_F(GlContextTest, ACreateAfterAFailedOneFirstGivesBackTheHeldDeviceContext) {
    recorder.setResult = false;
    CGlContext context;
    EXPECT_THROW(context.Create(window), std::logic_error);
    TakeCalls();
    recorder.setResult = true;
    context.Create(window);
    const Calls calls = TakeCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "ReleaseDC(W1,D1)");
    EXPECT_EQ(calls.size(), 7u);
    EXPECT_EQ(context.DeviceContext, nullptr);
    EXPECT_EQ(recorder.Name(context.RenderContext), "R1");
}

}  // namespace
