// The NVR store's files as bytes, read and written here without the store's
// own code: the tests hold its layout against an independent reading of it.
#pragma once

#include <stdint.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace nvfiles {

constexpr const char* kEntries = "nvr_entries.dat";
constexpr const char* kStatus = "nvr_statbit.dat";
// The unit's identity kept a second time: key and value words, then a CRC-32.
constexpr const char* kHeaderCopy = "nvr_header.dat";
constexpr uint32_t kStatusBytes = 5836;
constexpr uint32_t kVersion = 0xFFFFFFF8u;

inline std::string Path(const std::string& dir, const char* name) { return dir + "/" + name; }

inline uint32_t Digit(char c) { return c >= '0' && c <= '9' ? (uint32_t)(c - '0') : (uint32_t)(c - 'A' + 10); }

// Slot of "S" + three base-36 digits, or of the three special keys.
inline uint32_t Slot(const std::string& key) {
  if (key == "NVER") return 46656;
  if (key == "CREV") return 46657;
  if (key == "FFST") return 46658;
  return 1296 * Digit(key[1]) + 36 * Digit(key[2]) + Digit(key[3]);
}

inline std::vector<uint8_t> Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline long Size(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? (long)st.st_size : -1;
}

inline std::optional<uint32_t> Word(const std::vector<uint8_t>& bytes, uint32_t offset) {
  if (offset + 4 > bytes.size()) return std::nullopt;
  return (uint32_t)bytes[offset] | (uint32_t)bytes[offset + 1] << 8 | (uint32_t)bytes[offset + 2] << 16 |
         (uint32_t)bytes[offset + 3] << 24;
}

inline bool Marked(const std::vector<uint8_t>& status, uint32_t slot) {
  std::optional<uint32_t> word = Word(status, 4 * (slot / 32));
  return word && (*word >> (slot % 32) & 1) != 0;
}

// The stored value of a key: marked in the status file and present in the
// slot file; nothing otherwise.
inline std::optional<uint32_t> Stored(const std::string& dir, const std::string& key) {
  const uint32_t slot = Slot(key);
  if (!Marked(Read(Path(dir, kStatus)), slot)) return std::nullopt;
  return Word(Read(Path(dir, kEntries)), 4 * slot);
}

inline void Put(std::vector<uint8_t>& bytes, uint32_t offset, uint32_t value) {
  if (bytes.size() < offset + 4) bytes.resize(offset + 4);
  for (int i = 0; i < 4; i++) bytes[offset + i] = (uint8_t)(value >> (8 * i));
}

// Writes a store holding exactly these keys and values.
inline void Seed(const std::string& dir, const std::map<std::string, uint32_t>& values) {
  std::vector<uint8_t> entries;
  std::vector<uint8_t> status(kStatusBytes, 0);
  for (const auto& [key, value] : values) {
    const uint32_t slot = Slot(key);
    Put(entries, 4 * slot, value);
    status[4 * (slot / 32) + slot % 32 / 8] |= (uint8_t)(1u << (slot % 8));
  }
  std::ofstream(Path(dir, kEntries), std::ios::binary | std::ios::trunc)
      .write((const char*)entries.data(), (std::streamsize)entries.size());
  std::ofstream(Path(dir, kStatus), std::ios::binary | std::ios::trunc)
      .write((const char*)status.data(), (std::streamsize)status.size());
}

inline void RemoveAll(const std::string& dir) {
  for (const char* name : {"sonar.dat", "personal.dat", kStatus, kEntries, kHeaderCopy}) {
    unlink(Path(dir, name).c_str());
  }
}

}  // namespace nvfiles
