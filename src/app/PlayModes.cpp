#include "app/PlayModes.h"

#include <string_view>

namespace korva {

namespace {

constexpr std::string_view kModeCodes = "LS0LS12LSPRGARTESY";
constexpr std::string_view kOrderCodes = "NORNEWRND";
constexpr int kListModes = 6;
constexpr int kOrders = 3;

std::string CodeAt(std::string_view codes, int index, int count) {
    if (index < 0 || index >= count)
        return {};
    return std::string(codes.substr(static_cast<std::size_t>(index) * 3, 3));
}

}  // namespace

std::string ModeCode(int playmod) {
    return CodeAt(kModeCodes, playmod, kListModes);
}

std::string OrderCode(int rndmode) {
    return CodeAt(kOrderCodes, rndmode, kOrders);
}

std::uint8_t SteppedListMode(std::uint8_t playmod, bool forward) {
    constexpr std::uint8_t last = kListModes - 1;
    if (forward)
        return playmod >= last ? 0 : playmod + 1;
    return (playmod == 0 || playmod > last) ? last : playmod - 1;
}

std::optional<std::uint8_t> SteppedOrder(std::uint8_t rndmode, bool forward) {
    if (rndmode >= kOrders)
        return std::nullopt;
    return static_cast<std::uint8_t>(forward ? (rndmode + 1) % kOrders : (rndmode + kOrders - 1) % kOrders);
}

}  // namespace korva
