#include "playback/SequencerDevice.h"

namespace korva {

bool IsFileFault(DeviceFault fault) {
    switch (fault) {
        case DeviceFault::FileNotFound:
        case DeviceFault::FileUnreadable:
        case DeviceFault::NotMidiFile:
        case DeviceFault::MidiFileTruncated:
        case DeviceFault::MidiFileCorrupt:
        case DeviceFault::MidiFileUnsupported:
            return true;
        case DeviceFault::None:
        case DeviceFault::NotOpen:
        case DeviceFault::NoSoundFont:
        case DeviceFault::CannotPlay:
        case DeviceFault::OutputLost:
            break;
    }
    return false;
}

}  // namespace korva
