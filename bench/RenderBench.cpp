// Rendering throughput of Glyvar with the generated font files: display texts
// of a full LCD line, half-width and full-width, and the stream's way to a
// handset that accepts every unit at once.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "CHidDevice.h"
#include "CLcdRendererImpl.h"

namespace {

std::string FontFolder() {
    char path[4096] = {};
    if (readlink("/proc/self/exe", path, sizeof path - 1) <= 0) return ".";
    std::string s(path);
    return s.substr(0, s.find_last_of('/'));
}

class NullDevice final : public CHidDevice {
  public:
    HResult SendCommandData(std::uint8_t, std::uint8_t) override { return S_OK; }
    HResult Open(std::uint16_t, std::uint16_t) override { return S_OK; }
    HResult Close() override { return S_OK; }
    HResult Reconnect() override { return S_OK; }
    HResult Release() override { return S_OK; }
    HResult StartReading(WindowHandle) override { return S_OK; }
    HResult StopReading() override { return S_OK; }
    HResult SetNotifyMessage(std::uint32_t) override { return 1; }
    HResult SendCommand(std::uint8_t) override { return 0; }
    HResult EnableMixerControl() override { return S_OK; }
    HResult DisableMixerControl() override { return S_OK; }
    HResult QRV_GetMixerRegControl(std::uint8_t) override { return S_OK; }
    HResult QRV_SetMixerRegControl(std::uint8_t, std::uint8_t, std::uint8_t) override {
        return S_OK;
    }
    HResult SetProductList(const std::uint32_t*, int) override { return S_OK; }
    HResult AttachRenderer(CLcdRenderer*) override { return S_OK; }
    HResult ShowLastError() override { return S_OK; }
    HResult SetArfSupport(std::int32_t) override { return S_OK; }
};

const std::string kAscii = "Alexander Hamilton-Worthington 1";  // 32 columns
// 16 full-width characters from all three sets (Big5, GB2312, Shift-JIS).
const std::string kFullWidth =
    "\xE4\xB8\xAD\xE6\x96\x87\xE9\x9B\xBB\xE8\xA9\xB1\xE4\xBB\xAC\xE8\xBF\x99\xE4\xB8\xAA\xE8"
    "\xAF\xB4\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x82\xA2\xE4\xB8\x80\xE4\xBA\x8C\xE4\xB8"
    "\x89\xE5\x9B\x9B";

void Render(benchmark::State& state, const std::string& text, int characters) {
    CLcdRendererImpl renderer([](std::chrono::milliseconds) {});
    renderer.LoadFonts(FontFolder().c_str());
    for (auto _ : state) benchmark::DoNotOptimize(renderer.RenderText(text.c_str()));
    state.SetItemsProcessed(state.iterations() * characters);
}

void BM_RenderAscii(benchmark::State& state) {
    Render(state, kAscii, 32);
}
void BM_RenderFullWidth(benchmark::State& state) {
    Render(state, kFullWidth, 16);
}

// Render and stream to a device that takes every unit at once (no pauses).
void BM_RenderAndSendFullWidth(benchmark::State& state) {
    NullDevice device;
    CLcdRendererImpl renderer([](std::chrono::milliseconds) {});
    renderer.LoadFonts(FontFolder().c_str());
    renderer.SetDevice(&device);
    for (auto _ : state) {
        renderer.RenderText(kFullWidth.c_str());
        benchmark::DoNotOptimize(renderer.SendRendered());
    }
    state.SetItemsProcessed(state.iterations() * 16);
}

BENCHMARK(BM_RenderAscii);
BENCHMARK(BM_RenderFullWidth);
BENCHMARK(BM_RenderAndSendFullWidth);

}  // namespace

BENCHMARK_MAIN();
