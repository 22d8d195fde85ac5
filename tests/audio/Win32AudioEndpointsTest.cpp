// The endpoint adapter on whatever the system (or Wine) offers. Wine lists no
// endpoints without a sound card and one per side with ALSA's null device
// (the run that sets KESTRAVA_EXPECT_ENDPOINTS), and has no interface to set
// a default: the test prints what it found and checks what must hold either
// way.
#include <windows.h>
// After windows.h, whose types it uses.
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdlib>
#include <iostream>
#include <set>
#include <thread>

#include "platform/Platform.h"

namespace kestrava::testing {
namespace {

bool IsUtf8(const std::string& text) {
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                               static_cast<int>(text.size()), nullptr, 0) > 0 ||
           text.empty();
}

const char* SideName(EndpointFlow flow) {
    return flow == EndpointFlow::Playback ? "playback" : "record";
}

TEST(Win32AudioEndpoints, ListsWhatTheSystemHasConsistently) {
    AudioEndpoints& endpoints = SystemAudioEndpoints();
    for (EndpointFlow flow : {EndpointFlow::Playback, EndpointFlow::Record}) {
        SCOPED_TRACE(SideName(flow));
        const std::vector<AudioEndpoint> list = endpoints.List(flow);
        const std::optional<std::string> defaultId = endpoints.DefaultId(flow);
        if (std::getenv("KESTRAVA_EXPECT_ENDPOINTS")) {
            EXPECT_FALSE(list.empty()) << "this run's sound device shows no endpoint";
        }
        std::cout << "[ endpoints ] " << SideName(flow) << ": " << list.size() << " active"
                  << (defaultId ? ", default " + *defaultId : ", no default") << "\n";
        std::set<std::string> ids;
        for (const AudioEndpoint& endpoint : list) {
            std::cout << "[ endpoints ]   \"" << endpoint.name << "\" adapter \""
                      << endpoint.adapterName << "\""
                      << (endpoint.usb ? " USB identity known" : " no USB identity") << "\n";
            EXPECT_FALSE(endpoint.id.empty());
            EXPECT_TRUE(ids.insert(endpoint.id).second) << "duplicate id " << endpoint.id;
            EXPECT_TRUE(IsUtf8(endpoint.name));
            EXPECT_TRUE(IsUtf8(endpoint.adapterName));
        }
        // The default is one of the active endpoints, and there is none without them.
        if (defaultId) {
            EXPECT_TRUE(ids.contains(*defaultId)) << *defaultId;
        }
        if (list.empty()) {
            EXPECT_FALSE(defaultId.has_value());
        }
        // A second look sees the same endpoints.
        EXPECT_EQ(endpoints.List(flow), list);
    }
    EXPECT_EQ(HasEndpoints(&endpoints), !endpoints.List(EndpointFlow::Playback).empty() ||
                                            !endpoints.List(EndpointFlow::Record).empty());
}

TEST(Win32AudioEndpoints, SettingTheDefaultFailsCleanlyOrKeepsItConsistent) {
    AudioEndpoints& endpoints = SystemAudioEndpoints();
    EXPECT_FALSE(endpoints.SetDefault(EndpointFlow::Playback, "{no such endpoint}"));
    EXPECT_FALSE(endpoints.SetDefault(EndpointFlow::Record, ""));
    for (EndpointFlow flow : {EndpointFlow::Playback, EndpointFlow::Record}) {
        const std::optional<std::string> before = endpoints.DefaultId(flow);
        if (!before) continue;
        // Setting the default it already has changes nothing, whether or not
        // the system lets the default be set at all.
        const bool set = endpoints.SetDefault(flow, *before);
        std::cout << "[ endpoints ] setting the " << SideName(flow) << " default "
                  << (set ? "accepted" : "refused") << "\n";
        EXPECT_EQ(endpoints.DefaultId(flow), before);
        // An endpoint of the other side is never set for this one.
        const EndpointFlow other =
            flow == EndpointFlow::Playback ? EndpointFlow::Record : EndpointFlow::Playback;
        EXPECT_FALSE(endpoints.SetDefault(other, *before));
    }
}

TEST(Win32AudioEndpoints, AThreadInASingleThreadedApartmentSeesTheSameEndpoints) {
    AudioEndpoints& endpoints = SystemAudioEndpoints();
    const std::vector<AudioEndpoint> fromHere = endpoints.List(EndpointFlow::Playback);
    std::vector<AudioEndpoint> fromThere;
    std::thread([&] {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        fromThere = endpoints.List(EndpointFlow::Playback);
        if (SUCCEEDED(com)) CoUninitialize();
    }).join();
    EXPECT_EQ(fromThere, fromHere);
}

}  // namespace
}  // namespace kestrava::testing
