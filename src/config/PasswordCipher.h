#pragma once

#include <cstdint>

namespace lorvena {

// The extended modify request carries the administrator password enciphered
// with single DES (FIPS 46-3) under the key every device knows, "70937093".
// The cipher is written here from the standard's tables rather than taken
// from a crypto library: the core links nothing beyond the standard library,
// and one key with four blocks per change needs no speed.

// One 64-bit block enciphered under a 64-bit key. Bits are numbered as in
// the standard: bit 1 is the most significant bit of the value, which is the
// first byte of the block or key on the wire. The key's parity bits (8, 16,
// ..., 64) are ignored.
std::uint64_t DesEncryptBlock(std::uint64_t plain, std::uint64_t key);

// Enciphers the 32-byte password field as four independent 8-byte blocks
// (electronic codebook: no chaining, no initialisation vector); block k of
// the output takes the place of block k of the input. Nothing happens when
// either pointer is null.
void PasswordCipher(const std::uint8_t* input32, std::uint8_t* output32);

} // namespace lorvena
