#pragma once
// The three-letter codes of the list mode and the play order shown on the deck, and the steps of
// the deck's mode and order buttons.

#include <cstdint>
#include <optional>
#include <string>

namespace korva {

// "LS0", "LS1", "2LS", "PRG", "ART", "ESY" for PLAYMOD 0 to 5; empty for any other value.
std::string ModeCode(int playmod);
// "NOR", "NEW", "RND" for RNDMODE 0 to 2; empty for any other value.
std::string OrderCode(int rndmode);

// The list mode after one step forward (5 wraps to 0) or backward (0 wraps to 5). A stored value
// outside 0..5 steps to 0 forward and to 5 backward, so the deck never shows a mode that does not exist.
std::uint8_t SteppedListMode(std::uint8_t playmod, bool forward);

// The order after one step: forward NOR -> NEW -> RND -> NOR, backward NOR -> RND -> NEW -> NOR.
// nullopt for a stored value outside 0..2, which the buttons leave as it is.
std::optional<std::uint8_t> SteppedOrder(std::uint8_t rndmode, bool forward);

}  // namespace korva
