// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Sha256.h"

#include <openssl/evp.h>

struct Sha256::Context {
  struct Free {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
  };
  std::unique_ptr<EVP_MD_CTX, Free> evp{EVP_MD_CTX_new()};
};

Sha256::Sha256() : context_(std::make_unique<Context>()) { Restart(); }

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::Restart() {
  bytes_ = 0;
  failed_ = !context_->evp || EVP_DigestInit_ex(context_->evp.get(), EVP_sha256(), nullptr) != 1;
}

void Sha256::Update(const void* data, size_t size) {
  if (size == 0) return;
  bytes_ += size;
  if (!failed_ && EVP_DigestUpdate(context_->evp.get(), data, size) != 1) failed_ = true;
}

std::optional<Sha256::Digest> Sha256::Final() {
  Digest digest{};
  unsigned length = 0;
  bool ok = !failed_ && EVP_DigestFinal_ex(context_->evp.get(), digest.data(), &length) == 1 &&
            length == digest.size();
  Restart();
  if (!ok) return std::nullopt;
  return digest;
}

std::string Sha256::Hex(const Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(digest.size() * 2);
  for (uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::optional<Sha256::Digest> Sha256::FromHex(std::string_view text) {
  auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  Digest digest{};
  if (text.size() != digest.size() * 2) return std::nullopt;
  for (size_t i = 0; i < digest.size(); ++i) {
    int high = value(text[2 * i]), low = value(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return digest;
}
