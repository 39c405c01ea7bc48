#pragma once
// The ten volume levels 0 to 9 and how they relate to the 8-digit hexadecimal INITVOL.

namespace korva {

// The level that a hexadecimal digit stands for: "0"-"3" give 0-3, "4"/"5" 4, "6"/"7" 5, "8"/"9" 6,
// "A"/"B" 7, "C"/"D" 8, "E"/"F" 9; any other character (lower-case letters too) counts as 3.
int LevelOfDigit(char digit);

// The base-volume bar's position for INITVOL's first character: as LevelOfDigit, except that a
// character that is no upper-case hexadecimal digit puts the bar at 0.
int VolumeBarOfDigit(char digit);

constexpr bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

}  // namespace korva
