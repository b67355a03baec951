// The generic decoder on Windows: the Windows Imaging Component reads every
// format it has a codec for (JPEG, BMP, GIF, TIFF, ICO, and WebP or HEIF where
// the system has those codecs) into 32-bit RGBA, rows top to bottom. As on
// Linux, these formats carry no gamma we honour: 1/2.2.
#include <wincodec.h>
#include <windows.h>

#include <climits>

#include "engine/colour/default_gamma.h"
#include "io/file_system.h"
#include "io/image_decode.h"
#include "io/pixel_block.h"

namespace {

// Releases a COM interface when it goes out of scope.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (p_ != nullptr) p_->Release();
  }
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// COM for this thread for the length of one decode; a thread that already has
// another apartment model keeps it.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

std::wstring utf16_path(const std::string& path) {
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.c_str(), -1, wide.data(), length);
  wide.pop_back();
  return wide;
}

IoStatus decode_frame(IWICImagingFactory* factory, const std::wstring& path, DecodedImage& image) {
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.out())))
    return IoCode::kUnrecognised;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.out()))) return IoCode::kNoFrame;
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) return IoCode::kNoSize;
  // The declared size is judged before anything is converted or allocated.
  IoStatus status = check_image_size(width, height);
  if (!status.ok()) return status;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.out())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppRGBA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return IoCode::kCannotConvert;
  DecodedImage decoded;
  status = allocate_pixels(width, height, decoded);
  if (!status.ok()) return status;
  const std::uint64_t stride = std::uint64_t{width} * 4;
  const std::uint64_t bytes = stride * height;
  if (bytes > UINT_MAX) return IoCode::kTooLarge;  // one copy call takes 32-bit lengths
  if (FAILED(converter->CopyPixels(nullptr, static_cast<UINT>(stride), static_cast<UINT>(bytes),
                                   decoded.pixels.data())))
    return IoCode::kUnreadablePixels;
  decoded.gamma = kDefaultGamma;
  image = std::move(decoded);
  return IoCode::kOk;
}

}  // namespace

IoStatus decode_with_platform(const std::string& path, DecodedImage& image) {
  if (!is_regular_file(path)) return IoCode::kUnrecognised;
  std::wstring wide = utf16_path(path);
  if (wide.empty()) return IoCode::kUnrecognised;
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.out()))))
    return IoCode::kUnrecognised;
  return decode_frame(factory.get(), wide, image);
}
