#include "playback/VolumeLevels.h"

namespace korva {

int LevelOfDigit(char digit) {
    if (digit >= '0' && digit <= '3')
        return digit - '0';
    if (digit >= '4' && digit <= '9')
        return 4 + (digit - '4') / 2;
    if (digit >= 'A' && digit <= 'F')
        return 7 + (digit - 'A') / 2;
    return 3;
}

int VolumeBarOfDigit(char digit) {
    return IsUpperHexDigit(digit) ? LevelOfDigit(digit) : 0;
}

}  // namespace korva
