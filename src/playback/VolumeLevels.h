#pragma once
// The ten volume levels 0 to 9 and how they relate to the 8-digit hexadecimal INITVOL.

namespace korva {

// The level that a leading hexadecimal digit stands for: "0"-"3" give 0-3, "4"/"5" 4, "6"/"7" 5,
// "8"/"9" 6, "A"/"B" 7, "C"/"D" 8, "E"/"F" 9; anything else (lower-case letters too) gives 0.
int LevelOfDigit(char digit);

}  // namespace korva
