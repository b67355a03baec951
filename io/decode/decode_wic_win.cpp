// The generic decoder on Windows: the Windows Imaging Component reads every
// format it has a codec for (JPEG, BMP, GIF, TIFF, ICO, and WebP or HEIF where
// the system has those codecs) into 32-bit RGBA, rows top to bottom. As on
// Linux, these formats carry no gamma we honour: 1/2.2.
#include <wincodec.h>
#include <windows.h>

#include <climits>
#include <new>
#include <vector>

#include "engine/colour/default_gamma.h"
#include "io/decode/bmp_screen.h"
#include "io/decode/format_decoders.h"
#include "io/decode/gif_frame_check.h"
#include "io/image_decode.h"
#include "io/pixel_block.h"
#include "io/png/png_signature.h"

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

// 16-bit samples are rounded to the nearest 8-bit value here, as the Linux
// decoders round them; the imaging component's converter would truncate.
struct WideLayout {
  const GUID* format;
  unsigned channels;  // grey, RGB or RGBA, 16 bits each, little-endian
};
constexpr WideLayout kWideLayouts[] = {
    {&GUID_WICPixelFormat16bppGray, 1},
    {&GUID_WICPixelFormat48bppRGB, 3},
    {&GUID_WICPixelFormat64bppRGBA, 4},
};

const WideLayout* wide_layout_of(IWICBitmapFrameDecode* frame) {
  WICPixelFormatGUID format{};
  if (FAILED(frame->GetPixelFormat(&format))) return nullptr;
  for (const WideLayout& layout : kWideLayouts)
    if (IsEqualGUID(format, *layout.format)) return &layout;
  return nullptr;
}

std::uint8_t nearest_8bit(std::uint16_t v) { return static_cast<std::uint8_t>((v * 255u + 32767u) / 65535u); }

IoStatus copy_wide_pixels(IWICBitmapFrameDecode* frame, const WideLayout& layout, DecodedImage& image) {
  const std::uint64_t samples = std::uint64_t{image.width} * image.height * layout.channels;
  if (samples * 2 > UINT_MAX) return IoCode::kTooLarge;  // one copy call takes 32-bit lengths
  std::vector<std::uint16_t> wide;
  try {
    wide.resize(static_cast<std::size_t>(samples));
  } catch (const std::bad_alloc&) {
    return IoCode::kOutOfMemory;
  }
  const UINT stride = image.width * layout.channels * 2;
  if (FAILED(frame->CopyPixels(nullptr, stride, static_cast<UINT>(samples * 2),
                               reinterpret_cast<BYTE*>(wide.data()))))
    return IoCode::kUnreadablePixels;
  std::uint8_t* out = image.pixels.data();
  for (std::size_t at = 0; at < wide.size(); at += layout.channels, out += 4) {
    const std::uint16_t* in = &wide[at];
    out[0] = nearest_8bit(in[0]);
    out[1] = nearest_8bit(in[layout.channels >= 3 ? 1 : 0]);
    out[2] = nearest_8bit(in[layout.channels >= 3 ? 2 : 0]);
    out[3] = layout.channels == 4 ? nearest_8bit(in[3]) : 255;
  }
  return IoCode::kOk;
}

IoStatus decode_frame(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, DecodedImage& image) {
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.out()))) return IoCode::kNoFrame;
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) return IoCode::kNoSize;
  // The declared size is judged before anything is converted or allocated.
  IoStatus status = check_image_size(width, height);
  if (!status.ok()) return status;
  DecodedImage decoded;
  if (const WideLayout* layout = wide_layout_of(frame.get())) {
    status = allocate_pixels(width, height, decoded);
    if (status.ok()) status = copy_wide_pixels(frame.get(), *layout, decoded);
    if (!status.ok()) return status;
    decoded.gamma = kDefaultGamma;
    image = std::move(decoded);
    return IoCode::kOk;
  }
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.out())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppRGBA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return IoCode::kCannotConvert;
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

// Creates the factory and hands it to `decode`, all within one COM scope.
template <typename Decode>
IoStatus with_factory(Decode decode) {
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.out()))))
    return IoCode::kUnrecognised;
  return decode(factory.get());
}

}  // namespace

IoStatus decode_bytes_with_platform(const std::vector<std::uint8_t>& bytes, DecodedImage& image) {
  if (bytes.empty() || bytes.size() > UINT_MAX) return IoCode::kUnrecognised;
  // PNG never reaches the imaging component, whose own reader has no limits:
  // a PNG gives the same pixels, or the same refusal, as on Linux.
  if (starts_with_png_signature(bytes.data(), bytes.size())) {
    DecodedImage decoded;
    IoStatus status = decode_png_memory(bytes.data(), bytes.size(), decoded);
    if (!status.ok()) return status;
    decoded.gamma = kDefaultGamma;
    image = std::move(decoded);
    return status;
  }
  // Bitmaps and GIFs get the checks of the Linux decoder first, run-length
  // bitmaps our own decoder: the component would show broken files as whole.
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    DecodedImage decoded;
    bool finished = false;
    IoStatus status = screen_bmp(bytes.data(), bytes.size(), decoded, finished);
    if (!status.ok()) return status;
    if (finished) {
      decoded.gamma = kDefaultGamma;
      image = std::move(decoded);
      return status;
    }
  }
  if (bytes.size() >= 6 && bytes[0] == 'G' && bytes[1] == 'I' && bytes[2] == 'F' &&
      gif_first_frame_is_short(bytes.data(), bytes.size()))
    return IoCode::kUnreadablePixels;
  return with_factory([&](IWICImagingFactory* factory) -> IoStatus {
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                            static_cast<DWORD>(bytes.size()))) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.out())))
      return IoCode::kUnrecognised;
    return decode_frame(factory, decoder.get(), image);
  });
}
