#include "Win32AudioEndpoints.h"

#include <windows.h>
// After windows.h, whose types they use.
#include <devicetopology.h>
#include <mmdeviceapi.h>
#include <objbase.h>
#include <propidl.h>

#include <algorithm>

#include "WideText.h"

namespace kestrava {

namespace {

const CLSID kEnumeratorClass = {
    0xbcde0395, 0xe52f, 0x467c, {0x8e, 0x3d, 0xc4, 0x57, 0x92, 0x91, 0x69, 0x2e}};
// PKEY_Device_FriendlyName: "Speakers (USB Audio Device)".
const PROPERTYKEY kFriendlyName = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};
// PKEY_DeviceInterface_FriendlyName: the adapter's name, "USB Audio Device".
const PROPERTYKEY kAdapterName = {
    {0x026e516e, 0xb814, 0x414b, {0x83, 0xcd, 0x85, 0x6d, 0x6f, 0xef, 0x48, 0x22}}, 2};

// The policy interface the system's sound settings use to set the default
// endpoints. It is not part of the SDK; it is declared here slot by slot.
// Only SetDefaultEndpoint is called; the slots before it keep its place.
struct PolicyConfig : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetMixFormat(PCWSTR, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceFormat(PCWSTR, INT, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetDeviceFormat(PCWSTR) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDeviceFormat(PCWSTR, void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProcessingPeriod(PCWSTR, INT, void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProcessingPeriod(PCWSTR, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetShareMode(PCWSTR, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetShareMode(PCWSTR, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyValue(PCWSTR, const PROPERTYKEY&, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPropertyValue(PCWSTR, const PROPERTYKEY&, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(PCWSTR id, ERole role) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEndpointVisibility(PCWSTR, INT) = 0;
};
const CLSID kPolicyConfigClass = {
    0x870af99c, 0x171d, 0x4f9e, {0xaf, 0x0d, 0xe6, 0x3d, 0xf4, 0x0c, 0x2b, 0xc9}};
const IID kPolicyConfigInterface = {
    0xf8679f50, 0x850a, 0x41cf, {0x9c, 0x72, 0x43, 0x0f, 0x29, 0x02, 0x90, 0xc8}};

// The first system with endpoints has the same interface without
// ResetDeviceFormat, under its own class and id.
struct FirstPolicyConfig : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetMixFormat(PCWSTR, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceFormat(PCWSTR, INT, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDeviceFormat(PCWSTR, void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProcessingPeriod(PCWSTR, INT, void*, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetProcessingPeriod(PCWSTR, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetShareMode(PCWSTR, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetShareMode(PCWSTR, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyValue(PCWSTR, const PROPERTYKEY&, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPropertyValue(PCWSTR, const PROPERTYKEY&, void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(PCWSTR id, ERole role) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetEndpointVisibility(PCWSTR, INT) = 0;
};
const CLSID kFirstPolicyConfigClass = {
    0x294935ce, 0xf637, 0x4e7c, {0xa4, 0x1b, 0xab, 0x25, 0x54, 0x60, 0xb8, 0x62}};
const IID kFirstPolicyConfigInterface = {
    0x568b9108, 0x44bf, 0x40b4, {0x90, 0x06, 0x86, 0xaf, 0xe5, 0xb5, 0xa6, 0x20}};

// COM for the duration of one call. A thread already in a single-threaded
// apartment keeps it and may still use the interfaces.
class ComScope {
  public:
    ComScope() : m_result(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(m_result)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    HRESULT m_result;
};

// An interface pointer released when it goes.
template <typename T>
class Com {
  public:
    Com() = default;
    ~Com() {
        if (m_p) m_p->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T** Out() { return &m_p; }
    void** Void() { return reinterpret_cast<void**>(&m_p); }

  private:
    T* m_p = nullptr;
};

// A text the system allocated with the task allocator, freed here.
std::string TakeTaskText(LPWSTR text) {
    if (text == nullptr) return {};
    std::string utf8 = WideToUtf8(std::wstring(text));
    CoTaskMemFree(text);
    return utf8;
}

EDataFlow DataFlow(EndpointFlow flow) {
    return flow == EndpointFlow::Playback ? eRender : eCapture;
}

// Fails on a system without endpoints.
bool CreateEnumerator(Com<IMMDeviceEnumerator>* enumerator) {
    return SUCCEEDED(CoCreateInstance(kEnumeratorClass, nullptr, CLSCTX_INPROC_SERVER,
                                      __uuidof(IMMDeviceEnumerator), enumerator->Void())) &&
           *enumerator;
}

std::string TextProperty(IPropertyStore* store, const PROPERTYKEY& key) {
    PROPVARIANT value;
    PropVariantInit(&value);
    std::string text;
    if (SUCCEEDED(store->GetValue(key, &value)) && value.vt == VT_LPWSTR && value.pwszVal)
        text = WideToUtf8(std::wstring(value.pwszVal));
    PropVariantClear(&value);
    return text;
}

// The adapter's device id through the endpoint's topology: the endpoint's
// connector leads to a part of the adapter's own topology, whose id is the
// adapter's interface path ("\\?\USB#VID_0C45&PID_1830&MI_00#...").
std::optional<UsbIdentity> UsbIdentityOf(IMMDevice* device) {
    Com<IDeviceTopology> topology;
    if (FAILED(device->Activate(__uuidof(IDeviceTopology), CLSCTX_INPROC_SERVER, nullptr,
                                topology.Void())) ||
        !topology) {
        return std::nullopt;
    }
    Com<IConnector> connector;
    if (FAILED(topology->GetConnector(0, connector.Out())) || !connector) return std::nullopt;
    Com<IConnector> other;
    if (FAILED(connector->GetConnectedTo(other.Out())) || !other) return std::nullopt;
    Com<IPart> part;
    if (FAILED(other->QueryInterface(__uuidof(IPart), part.Void())) || !part) return std::nullopt;
    Com<IDeviceTopology> adapter;
    // The slot the system calls GetTopologyObject (so named in mingw's header).
    if (FAILED(part->GetTopologyObjects(adapter.Out())) || !adapter) return std::nullopt;
    LPWSTR id = nullptr;
    if (FAILED(adapter->GetDeviceId(&id))) return std::nullopt;
    return UsbIdentityOfPath(TakeTaskText(id));
}

bool ReadEndpoint(IMMDevice* device, AudioEndpoint* endpoint) {
    LPWSTR id = nullptr;
    if (FAILED(device->GetId(&id)) || id == nullptr) return false;
    endpoint->id = TakeTaskText(id);
    if (endpoint->id.empty()) return false;
    Com<IPropertyStore> store;
    if (SUCCEEDED(device->OpenPropertyStore(STGM_READ, store.Out())) && store) {
        endpoint->name = TextProperty(store.Get(), kFriendlyName);
        endpoint->adapterName = TextProperty(store.Get(), kAdapterName);
    }
    endpoint->usb = UsbIdentityOf(device);
    return true;
}

template <typename Policy>
bool SetForEveryRole(const CLSID& policyClass, const IID& policyInterface, const std::wstring& id,
                     bool communicationsOptional, bool* reached) {
    Com<Policy> policy;
    if (FAILED(CoCreateInstance(policyClass, nullptr, CLSCTX_INPROC_SERVER, policyInterface,
                                policy.Void())) ||
        !policy) {
        return false;
    }
    *reached = true;
    const bool console = SUCCEEDED(policy->SetDefaultEndpoint(id.c_str(), eConsole));
    const bool multimedia = SUCCEEDED(policy->SetDefaultEndpoint(id.c_str(), eMultimedia));
    const bool communications = SUCCEEDED(policy->SetDefaultEndpoint(id.c_str(), eCommunications));
    return console && multimedia && (communications || communicationsOptional);
}

}  // namespace

std::vector<AudioEndpoint> Win32AudioEndpoints::List(EndpointFlow flow) {
    ComScope com;
    Com<IMMDeviceEnumerator> enumerator;
    if (!CreateEnumerator(&enumerator)) return {};
    Com<IMMDeviceCollection> collection;
    if (FAILED(enumerator->EnumAudioEndpoints(DataFlow(flow), DEVICE_STATE_ACTIVE,
                                              collection.Out())) ||
        !collection) {
        return {};
    }
    UINT count = 0;
    if (FAILED(collection->GetCount(&count))) return {};
    std::vector<AudioEndpoint> endpoints;
    for (UINT i = 0; i < count; ++i) {
        Com<IMMDevice> device;
        if (FAILED(collection->Item(i, device.Out())) || !device) continue;
        AudioEndpoint endpoint;
        if (ReadEndpoint(device.Get(), &endpoint)) endpoints.push_back(std::move(endpoint));
    }
    return endpoints;
}

std::optional<std::string> Win32AudioEndpoints::DefaultId(EndpointFlow flow) {
    ComScope com;
    Com<IMMDeviceEnumerator> enumerator;
    if (!CreateEnumerator(&enumerator)) return std::nullopt;
    Com<IMMDevice> device;
    if (FAILED(enumerator->GetDefaultAudioEndpoint(DataFlow(flow), eConsole, device.Out())) ||
        !device) {
        return std::nullopt;
    }
    LPWSTR id = nullptr;
    if (FAILED(device->GetId(&id)) || id == nullptr) return std::nullopt;
    std::string text = TakeTaskText(id);
    if (text.empty()) return std::nullopt;
    return text;
}

// Only an active endpoint of that side is set, so a recording endpoint never
// becomes the playback default by a caller's mistake.
bool Win32AudioEndpoints::SetDefault(EndpointFlow flow, const std::string& id) {
    const std::vector<AudioEndpoint> endpoints = List(flow);
    if (std::none_of(endpoints.begin(), endpoints.end(),
                     [&](const AudioEndpoint& e) { return e.id == id; })) {
        return false;
    }
    const std::optional<std::wstring> wide = StrictUtf8ToWide(id);
    if (!wide || wide->empty()) return false;
    ComScope com;
    bool reached = false;
    const bool set = SetForEveryRole<PolicyConfig>(kPolicyConfigClass, kPolicyConfigInterface,
                                                   *wide, false, &reached);
    if (reached) return set;
    return SetForEveryRole<FirstPolicyConfig>(kFirstPolicyConfigClass, kFirstPolicyConfigInterface,
                                              *wide, true, &reached);
}

}  // namespace kestrava
