#pragma once
// Declarations shared by the program and the plug-in libraries.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostan {

// A growable byte array that owns its storage: the unit of exchange for data
// frames handed to a plug-in and for commands handed back to the program.
// Elements are numbered from 0.
class TDynamicByteArray {
public:
    TDynamicByteArray() = default;
    TDynamicByteArray(std::initializer_list<uint8_t> Bytes) : Data(Bytes) {}
    explicit TDynamicByteArray(std::vector<uint8_t> Bytes) : Data(std::move(Bytes)) {}

    int Length() const { return static_cast<int>(Data.size()); }
    void SetLength(int N) { Data.resize(N > 0 ? static_cast<size_t>(N) : 0); }
    uint8_t& operator[](int I) { return Data[static_cast<size_t>(I)]; }
    uint8_t operator[](int I) const { return Data[static_cast<size_t>(I)]; }
    const uint8_t* Bytes() const { return Data.data(); }
    uint8_t* Bytes() { return Data.data(); }
    const std::vector<uint8_t>& Vector() const { return Data; }
    bool operator==(const TDynamicByteArray&) const = default;

private:
    std::vector<uint8_t> Data;
};

} // namespace ostan
