#pragma once

namespace ld {

// The key codes the show reacts to, as the host's virtual-key numbers.
namespace keys {
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kLeft = 37;
inline constexpr int kRight = 39;
inline constexpr int kQ = 81;
inline constexpr int kF1 = 112;  // F1 to F24 follow in order
inline constexpr int kF3 = kF1 + 2;
// The marker that a history step leaves for the display.
inline constexpr int kHistoryStep = -10;
}  // namespace keys

// The virtual-key number of a Qt key (Qt::Key). Letters and digits have the
// same numbers in both; the other keys the show knows are mapped; any other
// key gets a number outside the show's table.
int VirtualKeyCode(int qtKey);

}  // namespace ld
