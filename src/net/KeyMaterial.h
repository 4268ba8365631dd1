#pragma once
// The key material of the packet protocol, shared by the client and the
// server service: the packet key is the MD5 digest of these bytes.

#include <array>
#include <cstdint>

namespace korvanta {

constexpr size_t kKeyMaterialSize = 148;

constexpr std::array<std::uint8_t, kKeyMaterialSize> MakeKeyMaterial()
{
    std::array<std::uint8_t, kKeyMaterialSize> out{};
    for (size_t i = 0; i < kKeyMaterialSize; ++i)
        out[i] = static_cast<std::uint8_t>((37 * i + 11) % 256);
    return out;
}

inline constexpr std::array<std::uint8_t, kKeyMaterialSize> kKeyMaterial = MakeKeyMaterial();

}  // namespace korvanta
