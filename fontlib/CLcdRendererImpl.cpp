#include "CLcdRendererImpl.h"

HResult CLcdRendererImpl::LoadFonts(const char*) { return S_OK; }
HResult CLcdRendererImpl::GetCodeValue(const std::uint8_t*, int, int*) { return S_OK; }
HResult CLcdRendererImpl::MapToLocal(std::uint8_t*) { return E_FAIL; }
HResult CLcdRendererImpl::RenderText(const char*) { return E_FAIL; }
HResult CLcdRendererImpl::SendRendered() { return E_FAIL; }
HResult CLcdRendererImpl::Utf8ToLocal(const char*, char*) { return E_FAIL; }
HResult CLcdRendererImpl::LocalToUtf8(const char*, char*) { return E_FAIL; }
HResult CLcdRendererImpl::GetBig5Glyph(const std::uint8_t*, std::uint8_t*) { return E_FAIL; }
HResult CLcdRendererImpl::GetGbGlyph(const std::uint8_t*, std::uint8_t*) { return E_FAIL; }
HResult CLcdRendererImpl::GetSjisGlyph(const std::uint8_t*, std::uint8_t*) { return E_FAIL; }
HResult CLcdRendererImpl::RenderBalance(int) { return E_FAIL; }
HResult CLcdRendererImpl::RenderPlainText(const char*) { return E_FAIL; }
HResult CLcdRendererImpl::SetDevice(CHidDevice*) { return S_OK; }
HResult CLcdRendererImpl::SetPortStatus(int) { return S_OK; }
HResult CLcdRendererImpl::SetAbort(int) { return S_OK; }
HResult CLcdRendererImpl::SetArfSupport(int) { return S_OK; }
CLcdRendererImpl::~CLcdRendererImpl() = default;
