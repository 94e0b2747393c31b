// Decoding a 440 x 280 scene picture in each format, the enhanced metafile
// with its SVG conversion, and drawing the metafiles for the window; then
// crafted files at their worst, loaded and drawn. The
// drawing benchmarks need the Qt renderer (torvane_qt_pictures) and are
// left out when the target is built without it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "pictures/hostile_pictures.hpp"
#include "pictures/metafile_writers.hpp"
#include "platform/script_error.hpp"
#include "pictures/picture.hpp"

#if __has_include(<QImage>)
#include <QGuiApplication>
#include <QImage>

#include "pictures/qt/picture_renderer.hpp"
#define TORVANE_BENCH_RENDER 1
#endif

namespace {

using torvane::Bytes;
using torvane::PictureFormat;

constexpr int kWidth = 440;
constexpr int kHeight = 280;

using torvane::test::Le;

std::uint32_t Colour(int i) { return static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF; }

Bytes Bmp24() {
  Le rows;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) rows.U8(x).U8(y).U8(x ^ y);
  }
  Le file;
  file.U8('B').U8('M').U32(static_cast<std::uint32_t>(54 + rows.bytes.size())).U32(0).U32(54);
  file.U32(40).I32(kWidth).I32(kHeight).U16(1).U16(24).U32(0).U32(static_cast<std::uint32_t>(rows.bytes.size()));
  file.U32(0).U32(0).U32(0).U32(0);
  return file.bytes + rows.bytes;
}

// 256 x 256, 32 bits, with its mask: the largest icon image there is.
Bytes Icon256() {
  constexpr int kSide = 256;
  Le image;
  image.U32(40).I32(kSide).I32(2 * kSide).U16(1).U16(32).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
  for (int i = 0; i < kSide * kSide; ++i) image.U32(0xFF000000u | Colour(i));
  for (int i = 0; i < kSide * kSide / 8; ++i) image.U8(i % 3 == 0 ? 0xF0 : 0x00);
  Le file;
  file.U16(0).U16(1).U16(1).U8(0).U8(0).U8(0).U8(0).U16(1).U16(32);
  file.U32(static_cast<std::uint32_t>(image.bytes.size())).U32(22);
  return file.bytes + image.bytes;
}

// About 200 records: a pen and a brush for each of 40 shapes, and text.
Bytes Wmf() {
  Le records;
  const auto record = [&](unsigned function, std::vector<int> words) {
    records.U32(static_cast<std::uint32_t>(3 + words.size())).U16(function);
    for (int w : words) records.I16(w);
  };
  record(0x0103, {8});
  record(0x020C, {kHeight, kWidth});
  for (int i = 0; i < 40; ++i) {
    const std::uint32_t c = Colour(i);
    record(0x02FA, {0, i % 3, 0, static_cast<int>(c & 0xFFFF), static_cast<int>(c >> 16)});
    record(0x012D, {0});
    record(0x02FC, {i % 7 == 0 ? 2 : 0, static_cast<int>(c & 0xFFFF), static_cast<int>(c >> 16), i % 6});
    record(0x012D, {1});
    const int x = (i * 53) % 400, y = (i * 37) % 250;
    if (i % 2 == 0) {
      record(0x041B, {y + 30, x + 40, y, x});
    } else {
      record(0x0418, {y + 30, x + 40, y, x});
    }
    record(0x01F0, {0});
    record(0x01F0, {1});
  }
  Le text;
  text.U16(4).U8(0x93).U8(0x94).U8(0x91).U8(0xE4).I16(120).I16(20);  // 灯台
  records.U32(static_cast<std::uint32_t>(3 + text.bytes.size() / 2)).U16(0x0521);
  records.bytes += text.bytes;
  record(0x0000, {});
  Le file;
  file.U32(0x9AC6CDD7).U16(0).I16(0).I16(0).I16(kWidth).I16(kHeight).U16(96).U32(0);
  unsigned checksum = 0;
  for (std::size_t i = 0; i < 20; i += 2) {
    checksum ^= static_cast<unsigned char>(file.bytes[i]) | static_cast<unsigned char>(file.bytes[i + 1]) << 8;
  }
  file.U16(checksum);
  file.U16(1).U16(9).U16(0x0300).U32(static_cast<std::uint32_t>((18 + records.bytes.size()) / 2)).U16(2).U32(0).U16(0);
  return file.bytes + records.bytes;
}

// About 200 records of the same kind, with a clipped stretch and text.
Bytes Emf() {
  Le records;
  const auto record = [&](std::uint32_t type, std::vector<std::int64_t> fields) {
    records.U32(type).U32(static_cast<std::uint32_t>(8 + 4 * fields.size()));
    for (auto f : fields) records.I32(f);
  };
  for (int i = 0; i < 40; ++i) {
    const std::uint32_t c = Colour(i);
    const std::uint32_t colorref = (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16;
    record(38, {1, 0, i % 3 + 1, 0, colorref});
    record(37, {1});
    record(39, {2, i % 7 == 0 ? 2 : 0, colorref, i % 6});
    record(37, {2});
    const int x = (i * 53) % 400, y = (i * 37) % 250;
    if (i == 20) record(30, {0, 0, 220, 140});
    record(i % 2 == 0 ? 43 : 42, {x, y, x + 40, y + 30});
    record(40, {1});
  }
  const std::u16string face = u"IPAGothic";
  records.U32(82).U32(104).U32(3).I32(-20).I32(0).I32(0).I32(0).I32(400).U32(128u << 24).U32(0);
  for (std::size_t i = 0; i < 32; ++i) records.U16(i < face.size() ? face[i] : 0);
  record(37, {3});
  records.U32(84).U32(88).I32(0).I32(0).I32(0).I32(0).U32(1).U32(0).U32(0).I32(120).I32(20).U32(2).U32(76).U32(0);
  records.I32(0).I32(0).I32(0).I32(0).U32(80).U16(0x706F).U16(0x53F0).I32(0).I32(0);
  record(14, {0, 16, 20});
  Le header;
  header.U32(1).U32(88).I32(0).I32(0).I32(kWidth - 1).I32(kHeight - 1);
  header.I32(0).I32(0).I32(std::lround(kWidth * 2540.0 / 96)).I32(std::lround(kHeight * 2540.0 / 96));
  header.U32(0x464D4520).U32(0x10000).U32(static_cast<std::uint32_t>(88 + records.bytes.size())).U32(0);
  header.U16(4).U16(0).U32(0).U32(0).U32(0).I32(960).I32(960).I32(254).I32(254);
  return header.bytes + records.bytes;
}

void Decode(benchmark::State& state, PictureFormat format, const Bytes& file) {
  for (auto _ : state) benchmark::DoNotOptimize(torvane::DecodePicture(format, file));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
}

void BM_DecodeBmp24(benchmark::State& state) { Decode(state, PictureFormat::Bitmap, Bmp24()); }
void BM_DecodeIcon256(benchmark::State& state) { Decode(state, PictureFormat::Icon, Icon256()); }
void BM_DecodeWmf(benchmark::State& state) { Decode(state, PictureFormat::Metafile, Wmf()); }
void BM_DecodeEmfToSvg(benchmark::State& state) { Decode(state, PictureFormat::EnhancedMetafile, Emf()); }
BENCHMARK(BM_DecodeBmp24)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeIcon256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeWmf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeEmfToSvg)->Unit(benchmark::kMicrosecond);

#ifdef TORVANE_BENCH_RENDER
// Fonts need an application object; the offscreen platform needs no display.
void NeedApplication() {
  static int argc = 1;
  static char name[] = "picture_bench";
  static char* argv[] = {name, nullptr};
  if (!QGuiApplication::instance()) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    static QGuiApplication app(argc, argv);
  }
}

void Render(benchmark::State& state, PictureFormat format, const Bytes& file) {
  NeedApplication();
  const torvane::Picture picture = torvane::DecodePicture(format, file);
  for (auto _ : state) benchmark::DoNotOptimize(torvane::qt::RenderPicture(picture));
}

void BM_RenderWmf(benchmark::State& state) { Render(state, PictureFormat::Metafile, Wmf()); }
void BM_RenderEmf(benchmark::State& state) { Render(state, PictureFormat::EnhancedMetafile, Emf()); }
BENCHMARK(BM_RenderWmf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderEmf)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

#ifdef TORVANE_BENCH_RENDER
// Crafted files, decoded and drawn as the window would: each must take
// little time or be refused. The refused ones are timed up to the refusal.
namespace hostile {

void DecodeAndDraw(benchmark::State& state, PictureFormat format, const Bytes& file) {
  NeedApplication();
  for (auto _ : state) {
    try {
      benchmark::DoNotOptimize(torvane::qt::RenderPicture(torvane::DecodePicture(format, file)));
      state.counters["refused"] = 0;
    } catch (const torvane::ScriptError&) {
      state.counters["refused"] = 1;
    }
  }
  state.counters["file_kb"] = static_cast<double>(file.size()) / 1024;
}

namespace t = torvane::test;

void BM_Hostile_HugeDeclaredWmf(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::Metafile, t::HugeDeclaredWmf()); }
void BM_Hostile_300000Pens(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::Metafile, t::ManyPensWmf(300000, false)); }
void BM_Hostile_300000PensDeleted(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::Metafile, t::ManyPensWmf(300000, true));
}
void BM_Hostile_1000Rle4096(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::Metafile, t::CompressedBitmapsWmf(1000, 4096));
}
void BM_Hostile_OneRle2048(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::Metafile, t::CompressedBitmapsWmf(1, 2048)); }
void BM_Hostile_ExcludedClips(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::Metafile, t::ExcludedClipsWmf(85)); }
void BM_Hostile_Region10000(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::Metafile, t::RegionWmf(100, 100)); }
void BM_Hostile_Text4096(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::Metafile, t::TextWmf(4096)); }
void BM_Hostile_Text1MB(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::Metafile, t::TextWmf(65000)); }
void BM_Hostile_FullFills1MB(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::Metafile, t::FullFillsWmf(75000)); }
void BM_Hostile_Polygons1MB(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::Metafile, t::PolygonWmf(1 << 20)); }
void BM_Hostile_RepeatedAnd(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::RepeatedAndEmf(64, 5));
}
void BM_Hostile_HugeFrameEmf(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::HugeFrameEmf()); }
void BM_Hostile_HatchedShapes1MB(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::ShapesEmf(1 << 20, true));
}
void BM_Hostile_Shapes1MB(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::ShapesEmf(1 << 20, false));
}
void BM_Hostile_ClipLayers2000(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::ClipLayersEmf(2000));
}
void BM_Hostile_ClipLayers1MB(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::ClipLayersEmf(15000));
}
// The dearest files of about a megabyte for each part of the drawing,
// and real clipart beside them.
void BM_Worst_BezierPaths(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::BezierPathsEmf(1 << 20, 1998, 0, 1));
}
void BM_Worst_FarBezierPaths(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::BezierPathsEmf(1 << 20, 1998, 30000, 30));
}
void BM_Worst_TextRecords(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::TextRecordsEmf(4096, 20, 40));
}
// Nearly as much text as the corner may show: 1200 glyphs.
void BM_Worst_TextWithin(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::TextRecordsEmf(60, 20, 12));
}
void BM_Worst_SmallRectangles(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::SmallRecordsEmf(1 << 20, 0));
}
void BM_Worst_SmallLines(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::SmallRecordsEmf(1 << 20, 2));
}
void BM_Worst_SavedStates(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::SmallRecordsEmf(1 << 20, 3));
}
// Nearly as many small shapes, and layers, as the corner may show.
void BM_Worst_ShapesWithin(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::SmallRecordsEmf(5300 * 24, 0));
}
void BM_Worst_LayersWithin(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::ClipLayersEmf(1150));
}
void BM_Worst_Clipart2000(benchmark::State& s) { DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::ClipartEmf(2000)); }
void BM_Worst_HugeClipart20000(benchmark::State& s) {
  DecodeAndDraw(s, PictureFormat::EnhancedMetafile, t::ClipartEmf(20000, 12047, 15591));
}
BENCHMARK(BM_Worst_BezierPaths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Worst_FarBezierPaths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Worst_TextRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Worst_TextWithin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Worst_SmallRectangles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Worst_SmallLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Worst_SavedStates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Worst_ShapesWithin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Worst_LayersWithin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Worst_Clipart2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Worst_HugeClipart20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_HugeDeclaredWmf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_300000Pens)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_300000PensDeleted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_1000Rle4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_OneRle2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_ExcludedClips)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_Region10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_Text4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_Text1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_FullFills1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_Polygons1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_RepeatedAnd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_HugeFrameEmf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_HatchedShapes1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_Shapes1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_ClipLayers2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hostile_ClipLayers1MB)->Unit(benchmark::kMillisecond);

}  // namespace hostile
#endif
