#pragma once

// Drawing for real: the Direct3D renderer on our OpenGL layer in a small
// window (under Xvfb and Mesa in the test scripts). Frames are read back
// from the back buffer, top row first, and probed; a failed probe writes the
// frame as a PNG next to the test binary.

#include "core/ResourceManager.h"
#include "render/Bitmap.h"
#include "render/RenderD3D.h"
#include "render/Texture.h"
#include "render/VertexData.h"
#include "render/fonts/GlyphAtlas.h"
#include "support/ImageFiles.h"
#include "widgets/UiDefaults.h"

#include "platform/d3d9_hooks.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace vorn::test {

inline VertexData quad(float x, float y, float w, float h, Color c = Color(), float u0 = 0.0f, float v0 = 0.0f,
                       float u1 = 1.0f, float v1 = 1.0f) {
    VertexData data;
    const float xs[] = {x, x + w, x + w, x};
    const float ys[] = {y, y, y + h, y + h};
    const float us[] = {u0, u1, u1, u0};
    const float vs[] = {v0, v0, v1, v1};
    for (int i = 0; i < 4; ++i) {
        VertexData::Vertex v;
        v.x = xs[i];
        v.y = ys[i];
        v.r = c.r;
        v.g = c.g;
        v.b = c.b;
        v.a = c.a;
        v.u = us[i];
        v.v = vs[i];
        data.vertices.push_back(v);
    }
    data.indices = {0, 1, 3, 3, 1, 2};
    return data;
}

inline std::shared_ptr<Bitmap> bitmapOf(int width, int height, int format, const std::vector<std::uint8_t>& bytes) {
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->create(Data(bytes.data(), static_cast<std::uint32_t>(bytes.size())), width, height, format);
    return bitmap;
}

// W x H pixels; most tests draw a small frame.
template <int W = 200, int H = 150>
class D3DFixtureSized : public testing::Test {
protected:
    // Lets fixtures built on it name their base the same at every size.
    using D3DFixture = D3DFixtureSized;

    // The back buffer's size; the window stays small whatever it is.
    int width = W;
    int height = H;

    // A back buffer of another size (a whole desktop), for what follows.
    void useBackBuffer(int w, int h) {
        width = w;
        height = h;
        render->resize(glm::vec2(width, height));
        render->setProjection(topLeftOrtho(static_cast<float>(width), static_cast<float>(height)));
    }

    void SetUp() override {
        setenv("VORN_HEADLESS", "1", 1);
        vornD3D9SetSwapInterval(0);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = L"VORNTESTCLASS";
        RegisterClassExW(&wc);
        window = CreateWindowExW(0, L"VORNTESTCLASS", L"render test", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150, nullptr,
                                 nullptr, nullptr, nullptr);
        if (!window) {
            GTEST_SKIP() << "no display to draw on";
        }
        render = std::make_unique<d3d::RenderD3D>();
        render->setWindow(window);
        Render::setInstance(render.get());
        ASSERT_TRUE(render->setup());
        render->resize(glm::vec2(width, height));
        render->setProjection(topLeftOrtho(static_cast<float>(width), static_cast<float>(height)));
    }

    void TearDown() override {
        // A texture kept in a cache holds the device, which must go before
        // its window: its context is made current on that window to delete
        // what it made.
        ResourceManager::resetForTests();
        GlyphAtlas::resetForTests();
        UiDefaults::resetForTests();
        Render::setInstance(nullptr);
        render.reset();
        if (window) {
            DestroyWindow(window);
        }
        UnregisterClassW(L"VORNTESTCLASS", nullptr);
    }

    void beginFrame(Color background = Color(0.0f, 0.0f, 0.0f, 1.0f)) {
        render->beginFrame();
        render->clear(background);
        render->setViewport(Rect(0, 0, width, height));
        render->setMatrix(glm::mat4(1.0f));
    }

    // Ends the frame and reads the back buffer back, top row first.
    void endFrame() {
        render->endFrame();
        readBack();
    }

    void readBack() {
        IDirect3DDevice9* device = render->device();
        IDirect3DSurface9* backBuffer = nullptr;
        ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
        IDirect3DSurface9* copy = nullptr;
        ASSERT_EQ(device->CreateOffscreenPlainSurface(width, height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy,
                                                      nullptr),
                  D3D_OK);
        ASSERT_EQ(device->GetRenderTargetData(backBuffer, copy), D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        frame.assign(static_cast<std::size_t>(width) * height, 0);
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch;
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = row + x * 4;
                frame[static_cast<std::size_t>(y) * width + x] =
                    static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16 |
                    static_cast<std::uint32_t>(p[1]) << 8 | p[0];
            }
        }
        copy->UnlockRect();
        copy->Release();
        backBuffer->Release();
    }

    std::uint32_t pixel(int x, int y) const { return frame[static_cast<std::size_t>(y) * width + x]; }

    // Compares red, green and blue within tolerance levels each.
    void probe(int x, int y, std::uint32_t rgb, int tolerance = 3) {
        const std::uint32_t got = pixel(x, y);
        bool close = true;
        for (int shift : {16, 8, 0}) {
            const int a = static_cast<int>((got >> shift) & 0xFF);
            const int b = static_cast<int>((rgb >> shift) & 0xFF);
            close = close && std::abs(a - b) <= tolerance;
        }
        if (!close) {
            EXPECT_TRUE(close) << "pixel (" << x << ", " << y << ") is 0x" << std::hex << (got & 0xFFFFFF)
                               << ", expected 0x" << (rgb & 0xFFFFFF) << "; frame written to " << saveFrame();
        }
    }

    std::string saveFrame() {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        const std::filesystem::path folder = std::filesystem::canonical("/proc/self/exe").parent_path();
        // Parameterised tests have "/" in their names.
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        std::replace(name.begin(), name.end(), '/', '_');
        const std::string path = (folder / (name + ".png")).string();
        std::vector<std::uint8_t> rgba;
        rgba.reserve(frame.size() * 4);
        for (const std::uint32_t p : frame) {
            rgba.push_back(static_cast<std::uint8_t>(p >> 16));
            rgba.push_back(static_cast<std::uint8_t>(p >> 8));
            rgba.push_back(static_cast<std::uint8_t>(p));
            rgba.push_back(255);
        }
        writePng(path, width, height, 4, rgba);
        return path;
    }

    std::shared_ptr<Texture> texture(int w, int h, int format, const std::vector<std::uint8_t>& bytes) {
        std::shared_ptr<Texture> t = render->createTexture();
        t->setBitmap(bitmapOf(w, h, format, bytes));
        t->load();
        return t;
    }

    void draw(const std::shared_ptr<Texture>& t, const VertexData& data) {
        render->setTexture(t);
        render->drawVertexData(data);
    }

    HWND window = nullptr;
    std::unique_ptr<d3d::RenderD3D> render;
    std::vector<std::uint32_t> frame;
};

using D3DFixture = D3DFixtureSized<>;

} // namespace vorn::test
