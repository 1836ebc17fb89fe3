// Hive files for the registry tests: an empty hive made from scratch (libhivex
// can change a hive but not create one), filled through libhivex's writer.
//
//   WriteEmptyHive("/tmp/x/NTUSER.DAT");
//   HiveWriter w("/tmp/x/NTUSER.DAT");
//   auto app = w.Child(w.Root(), "Software");
//   w.Values(app, {{"Count", hive_t_REG_DWORD, std::string("\x2a\0\0\0", 4)}});
//   w.Commit();
#pragma once

#include <hivex.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kor::testing_hive {

// An empty hive: the 4 KiB base block and one 4 KiB bin holding the root key
// "ROOT", its security record and free space.
inline std::string EmptyHive() {
  std::string f(8192, '\0');
  const auto put32 = [&f](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  const auto put16 = [&f](std::size_t at, std::uint16_t v) {
    f[at] = static_cast<char>(v & 0xFF);
    f[at + 1] = static_cast<char>(v >> 8);
  };
  // Base block.
  f.replace(0, 4, "regf");
  put32(4, 1);  // sequence numbers, equal: the hive is consistent
  put32(8, 1);
  put32(20, 1);  // format version 1.3
  put32(24, 3);
  put32(28, 0);       // primary file
  put32(32, 1);       // direct memory load
  put32(36, 0x20);    // root key cell, relative to the first bin
  put32(40, 0x1000);  // size of the bins
  put32(44, 1);       // clustering factor
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < 508; at += 4)
    sum ^= static_cast<std::uint32_t>(static_cast<unsigned char>(f[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(f[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(f[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(f[at + 3])) << 24;
  put32(508, sum);
  // The bin.
  const std::size_t bin = 0x1000;
  f.replace(bin, 4, "hbin");
  put32(bin + 4, 0);
  put32(bin + 8, 0x1000);
  // Root key cell at 0x20: 4-byte size, then the key record.
  const std::size_t nk = bin + 0x20;
  const std::uint32_t skOffset = 0x20 + 88;
  put32(nk, static_cast<std::uint32_t>(-88));
  f.replace(nk + 4, 2, "nk");
  put16(nk + 6, 0x2C);  // hive entry, not deletable, compressed name
  put32(nk + 4 + 16, 0);
  put32(nk + 4 + 28, 0xFFFFFFFF);  // no subkeys
  put32(nk + 4 + 32, 0xFFFFFFFF);
  put32(nk + 4 + 40, 0xFFFFFFFF);  // no values
  put32(nk + 4 + 44, skOffset);
  put32(nk + 4 + 48, 0xFFFFFFFF);  // no class
  put16(nk + 4 + 72, 4);
  f.replace(nk + 4 + 76, 4, "ROOT");
  // Security record: a self-relative descriptor with no owner and a null DACL.
  const std::size_t sk = bin + skOffset;
  put32(sk, static_cast<std::uint32_t>(-48));
  f.replace(sk + 4, 2, "sk");
  put32(sk + 4 + 4, skOffset);
  put32(sk + 4 + 8, skOffset);
  put32(sk + 4 + 12, 1);
  put32(sk + 4 + 16, 20);
  f[sk + 4 + 20] = 1;          // revision
  put16(sk + 4 + 22, 0x8004);  // self-relative, DACL present
  // The rest of the bin is one free cell.
  put32(sk + 48, static_cast<std::uint32_t>(0x1000 - (skOffset + 48)));
  return f;
}

inline void WriteEmptyHive(const std::string& path) { std::ofstream(path, std::ios::binary) << EmptyHive(); }

// A value as libhivex stores it: its name, kind and data bytes.
struct HiveValue {
  std::string name;
  hive_type kind;
  std::string data;
};

class HiveWriter {
 public:
  explicit HiveWriter(const std::string& path) : h_(hivex_open(path.c_str(), HIVEX_OPEN_WRITE)) {
    if (h_ == nullptr) throw std::runtime_error("hivex cannot open " + path);
  }
  ~HiveWriter() { hivex_close(h_); }
  HiveWriter(const HiveWriter&) = delete;
  HiveWriter& operator=(const HiveWriter&) = delete;

  hive_node_h Root() { return hivex_root(h_); }
  hive_node_h Child(hive_node_h parent, const std::string& name) {
    return hivex_node_add_child(h_, parent, name.c_str());  // 0 when it could not
  }
  void Values(hive_node_h node, const std::vector<HiveValue>& values) {
    std::vector<hive_set_value> set;
    for (const HiveValue& v : values)
      set.push_back({const_cast<char*>(v.name.c_str()), v.kind, v.data.size(), const_cast<char*>(v.data.data())});
    if (hivex_node_set_values(h_, node, set.size(), set.data(), 0) != 0)
      throw std::runtime_error("hivex cannot set values");
  }
  void Commit() {
    if (hivex_commit(h_, nullptr, 0) != 0) throw std::runtime_error("hivex cannot write the hive");
  }

 private:
  hive_h* h_;
};

}  // namespace kor::testing_hive
