// SPDX-License-Identifier: GPL-3.0-or-later
// Sha256: the SHA-256 of a stream of bytes, fed piece by piece, through
// OpenSSL's EVP interface (the kept implementation; nothing here is
// hand-written). The object owns its EVP context and frees it; it is used by
// one thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class Sha256 {
 public:
  using Digest = std::array<uint8_t, 32>;

  // Ready for the first bytes.
  Sha256();
  ~Sha256();
  Sha256(Sha256&&) noexcept;
  Sha256& operator=(Sha256&&) noexcept;
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // Adds size bytes to the stream.
  void Update(const void* data, size_t size);
  // Bytes fed since the start.
  uint64_t Bytes() const { return bytes_; }
  // The digest of everything fed; nothing when OpenSSL failed along the way
  // (out of memory). The object then starts afresh, empty.
  std::optional<Digest> Final();

  // 64 lower-case hexadecimal digits, as sha256sum prints them.
  static std::string Hex(const Digest& digest);
  // The digest written as 64 hexadecimal digits (either case); nothing for
  // any other text.
  static std::optional<Digest> FromHex(std::string_view text);

 private:
  struct Context;
  void Restart();

  std::unique_ptr<Context> context_;
  uint64_t bytes_ = 0;
  bool failed_ = false;
};
