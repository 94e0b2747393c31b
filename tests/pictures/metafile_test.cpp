#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/script_error.hpp"
#include "pictures/picture.hpp"
#include "platform/cp932.hpp"

namespace torvane {
namespace {

using namespace std::string_literals;

const std::string kBadMetafile = "メタファイルが不正です";

// Little-endian byte string writer.
struct Le {
  Bytes bytes;
  Le& U16(unsigned v) {
    bytes += static_cast<char>(v & 0xFF);
    bytes += static_cast<char>((v >> 8) & 0xFF);
    return *this;
  }
  Le& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
};

std::string ErrorOf(PictureFormat format, BytesView bytes) {
  try {
    DecodePicture(format, bytes);
  } catch (const ScriptError& error) {
    return platform::Cp932ToUtf8(error.Text());
  }
  return "(decoded)";
}

Bytes WmfRecord(unsigned function, std::initializer_list<int> params) {
  Le out;
  out.U32(static_cast<std::uint32_t>(3 + params.size())).U16(function);
  for (int p : params) out.U16(static_cast<unsigned>(p));
  return out.bytes;
}

const Bytes kEof = WmfRecord(0, {});
const Bytes kRectangle = WmfRecord(0x041B, {10, 20, 0, 0});

// The total size and largest record fields are left 0: often wrong, not checked.
Bytes WmfHeader(unsigned type = 1, unsigned header_words = 9, unsigned version = 0x0300) {
  return Le().U16(type).U16(header_words).U16(version).U32(0).U16(0).U32(0).U16(0).bytes;
}

Bytes Placeable(int left, int top, int right, int bottom, unsigned inch, unsigned checksum_flip = 0) {
  Le out;
  out.U32(0x9AC6CDD7).U16(0);
  for (int v : {left, top, right, bottom}) out.U16(static_cast<unsigned>(v));
  out.U16(inch).U32(0);
  unsigned checksum = 0;
  for (std::size_t i = 0; i < 20; i += 2) {
    checksum ^= static_cast<unsigned char>(out.bytes[i]) | static_cast<unsigned char>(out.bytes[i + 1]) << 8;
  }
  return out.U16(checksum ^ checksum_flip).bytes;
}

TEST(WindowsMetafileTest, PlaceableHeaderGivesTheSize) {
  const Bytes file = Placeable(0, 0, 1440, 720, 1440) + WmfHeader() + kRectangle + kEof;
  const Picture p = DecodePicture(PictureFormat::Metafile, file);
  EXPECT_EQ(p.Format, PictureFormat::Metafile);
  EXPECT_EQ(p.Width, 96);
  EXPECT_EQ(p.Height, 48);
  EXPECT_TRUE(p.Pixels.empty());
  ASSERT_TRUE(p.MetafileBytes);
  EXPECT_EQ(*p.MetafileBytes, file);

  // Rounded half away from zero; a box drawn right to left still counts.
  const Picture rounded = DecodePicture(PictureFormat::Metafile, Placeable(5, 0, 0, 1, 64) + WmfHeader(2) + kEof);
  EXPECT_EQ(rounded.Width, 8);   // 7.5
  EXPECT_EQ(rounded.Height, 2);  // 1.5
  // The placeable size wins over the window extent; both versions pass.
  const Picture both = DecodePicture(
      PictureFormat::Metafile, Placeable(-10, -10, 10, 10, 96) + WmfHeader(1, 9, 0x0100) +
                                   WmfRecord(0x020C, {500, 600}) + kEof);
  EXPECT_EQ(both.Width, 20);
  EXPECT_EQ(both.Height, 20);
}

TEST(WindowsMetafileTest, WithoutPlaceableHeaderTheFirstWindowExtentGivesTheSize) {
  const Picture p = DecodePicture(PictureFormat::Metafile, WmfHeader() + kRectangle + WmfRecord(0x020C, {-200, 300}) +
                                                               WmfRecord(0x020C, {1, 1}) + kEof);
  EXPECT_EQ(p.Width, 300);
  EXPECT_EQ(p.Height, 200);
  EXPECT_EQ(ErrorOf(PictureFormat::Metafile, WmfHeader() + kRectangle + kEof), kBadMetafile);
  // A window extent after META_EOF is not part of the picture.
  EXPECT_EQ(ErrorOf(PictureFormat::Metafile, WmfHeader() + kEof + WmfRecord(0x020C, {2, 3})), kBadMetafile);
  EXPECT_EQ(ErrorOf(PictureFormat::Metafile, WmfHeader() + WmfRecord(0x020C, {2}) + kEof), kBadMetafile);
}

TEST(WindowsMetafileTest, BrokenFiles) {
  const Bytes body = WmfHeader() + kRectangle + kEof;
  Bytes short_record = kRectangle;
  short_record[0] = 2;
  Bytes long_record = kRectangle;
  long_record[0] = 40;
  const std::vector<Bytes> cases = {
      ""s,
      Placeable(0, 0, 10, 10, 96).substr(0, 21),
      Placeable(0, 0, 10, 10, 96, 1) + body,          // checksum
      Placeable(0, 0, 10, 10, 0) + body,              // no units per inch
      Placeable(0, 0, 10, 10, 96) + body.substr(0, 17),
      Placeable(-32768, 0, 32767, 10, 96) + body,     // wider than 32767 pixels
      WmfHeader() + WmfRecord(0x020C, {10, -32768}) + kEof,
      WmfHeader(3) + kRectangle + kEof,
      WmfHeader(1, 8) + kRectangle + kEof,
      WmfHeader(1, 9, 0x0200) + kRectangle + kEof,
      WmfHeader() + WmfRecord(0x020C, {10, 10}) + short_record + kEof,
      WmfHeader() + WmfRecord(0x020C, {10, 10}) + long_record + kEof,
      WmfHeader() + WmfRecord(0x020C, {10, 10}) + kRectangle,  // no META_EOF
      WmfHeader() + WmfRecord(0x020C, {10, 10}) + kEof.substr(0, 5),
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ErrorOf(PictureFormat::Metafile, cases[i]), kBadMetafile);
  }
  Bytes no_parameters = WmfHeader();
  no_parameters[16] = 1;
  EXPECT_EQ(ErrorOf(PictureFormat::Metafile, no_parameters + WmfRecord(0x020C, {10, 10}) + kEof), kBadMetafile);
}

Bytes EmrRecord(std::uint32_t type, std::uint32_t payload) {
  return Le().U32(type).U32(8 + payload).bytes + std::string(payload, '\0');
}

struct Emf {
  std::int32_t frame[4] = {0, 0, 2540, 1270};  // 0.01 mm
  std::uint32_t type = 1;
  std::uint32_t header_size = 88;
  std::uint32_t signature = 0x464D4520;
  std::int64_t total = -1;  // nBytes; -1 for the real length
  Bytes records = EmrRecord(43, 16) + EmrRecord(14, 12);

  Bytes Encode() const {
    Le out;
    out.U32(type).U32(header_size).U32(0).U32(0).U32(0).U32(0);  // bounds unused
    for (auto v : frame) out.U32(static_cast<std::uint32_t>(v));
    const auto length = static_cast<std::int64_t>(header_size + records.size());
    out.U32(signature).U32(0x10000).U32(static_cast<std::uint32_t>(total >= 0 ? total : length));
    out.bytes.resize(header_size, '\0');
    return out.bytes + records;
  }
};

TEST(EnhancedMetafileTest, FrameGivesTheSize) {
  const Bytes file = Emf{}.Encode();
  const Picture p = DecodePicture(PictureFormat::EnhancedMetafile, file);
  EXPECT_EQ(p.Format, PictureFormat::EnhancedMetafile);
  EXPECT_EQ(p.Width, 96);
  EXPECT_EQ(p.Height, 48);
  EXPECT_TRUE(p.Pixels.empty());
  ASSERT_TRUE(p.MetafileBytes);
  EXPECT_EQ(*p.MetafileBytes, file);

  // 1000 * 96 / 2540 = 37.8; right to left counts; empty is allowed. A
  // longer header and bytes after nBytes are fine.
  Emf other{.frame = {1000, 7, 0, 7}, .header_size = 108};
  const Picture q = DecodePicture(PictureFormat::EnhancedMetafile, other.Encode() + "tail");
  EXPECT_EQ(q.Width, 38);
  EXPECT_EQ(q.Height, 0);
}

TEST(EnhancedMetafileTest, BrokenFiles) {
  const auto with = [](auto change) {
    Emf emf;
    change(emf);
    return emf.Encode();
  };
  const std::vector<Bytes> cases = {
      ""s,
      Emf{}.Encode().substr(0, 87),
      with([](Emf& e) { e.type = 2; }),
      with([](Emf& e) { e.signature = 0x464D4521; }),
      with([](Emf& e) { e.header_size = 84; }),
      with([](Emf& e) { e.header_size = 90; e.records = ""; }),
      with([](Emf& e) { e.total = 80; }),                            // shorter than the header
      with([](Emf& e) { e.total = 88 + 24 + 20 + 4; }),              // longer than the file
      with([](Emf& e) { e.total = 88 + 24 + 8; }),                   // EOF record cut by nBytes
      with([](Emf& e) { e.records = EmrRecord(43, 16); }),         // no EMR_EOF
      with([](Emf& e) { e.records = EmrRecord(43, 2) + EmrRecord(14, 12); }),
      with([](Emf& e) { e.records = EmrRecord(43, 16).replace(4, 1, 1, '\4') + EmrRecord(14, 12); }),
      with([](Emf& e) { e.frame[2] = 900000; }),                    // wider than 32767 pixels
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ErrorOf(PictureFormat::EnhancedMetafile, cases[i]), kBadMetafile);
  }
}

}  // namespace
}  // namespace torvane
