#include "app/platform/texture.h"

#include <imgui.h>

#include "app/platform/desktop_window_win.h"

namespace {

ID3D11ShaderResourceView* view_of(std::uintptr_t id) { return reinterpret_cast<ID3D11ShaderResourceView*>(id); }

}  // namespace

void Texture::upload(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height) {
  DesktopWindow::Native* native = main_window_native();
  if (rgba == nullptr || width == 0 || height == 0 || native == nullptr || native->device == nullptr) {
    release();
    return;
  }
  const UINT pitch = width * 4;
  if (id_ != 0 && width == width_ && height == height_) {
    ID3D11Resource* resource = nullptr;
    view_of(id_)->GetResource(&resource);
    native->context->UpdateSubresource(resource, 0, nullptr, rgba, pitch, 0);
    resource->Release();
    return;
  }
  release();
  D3D11_TEXTURE2D_DESC desc{};
  desc.Width = width;
  desc.Height = height;
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
  desc.SampleDesc.Count = 1;
  desc.Usage = D3D11_USAGE_DEFAULT;
  desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
  D3D11_SUBRESOURCE_DATA data{};
  data.pSysMem = rgba;
  data.SysMemPitch = pitch;
  ID3D11Texture2D* texture = nullptr;
  if (FAILED(native->device->CreateTexture2D(&desc, &data, &texture))) return;
  D3D11_SHADER_RESOURCE_VIEW_DESC view_desc{};
  view_desc.Format = desc.Format;
  view_desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
  view_desc.Texture2D.MipLevels = 1;
  ID3D11ShaderResourceView* view = nullptr;
  HRESULT result = native->device->CreateShaderResourceView(texture, &view_desc, &view);
  texture->Release();  // the view holds it
  if (FAILED(result)) return;
  id_ = reinterpret_cast<std::uintptr_t>(view);
  width_ = width;
  height_ = height;
}

void Texture::release() {
  if (id_ != 0) view_of(id_)->Release();
  id_ = 0;
  width_ = 0;
  height_ = 0;
}

namespace {

ID3D11SamplerState* point_sampler = nullptr;

// Bound over the backend's own sampler until the reset callback restores it;
// made once and kept, like the backend's state.
void bind_point_sampler(const ImDrawList*, const ImDrawCmd*) {
  DesktopWindow::Native* native = main_window_native();
  if (native == nullptr || native->device == nullptr) return;
  if (point_sampler == nullptr) {
    D3D11_SAMPLER_DESC desc{};
    desc.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
    desc.AddressU = D3D11_TEXTURE_ADDRESS_CLAMP;
    desc.AddressV = D3D11_TEXTURE_ADDRESS_CLAMP;
    desc.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
    desc.ComparisonFunc = D3D11_COMPARISON_ALWAYS;
    desc.MaxLOD = D3D11_FLOAT32_MAX;
    if (FAILED(native->device->CreateSamplerState(&desc, &point_sampler))) return;
  }
  native->context->PSSetSamplers(0, 1, &point_sampler);
}

}  // namespace

void push_point_sampling(ImDrawList* draw_list) { draw_list->AddCallback(bind_point_sampler, nullptr); }

void pop_point_sampling(ImDrawList* draw_list) { draw_list->AddCallback(ImDrawCallback_ResetRenderState, nullptr); }
