#include "SmfWriter.h"

#include <algorithm>
#include <stdexcept>

namespace korva::testing {
namespace {

std::string BigEndian(std::uint32_t value, int count) {
    std::string bytes;
    for (int shift = (count - 1) * 8; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
    return bytes;
}

}  // namespace

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int value : values) bytes += static_cast<char>(value);
    return bytes;
}

std::string VarLen(std::uint32_t value) {
    std::string bytes(1, static_cast<char>(value & 0x7F));
    while ((value >>= 7) != 0) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    return bytes;
}

SmfTrack& SmfTrack::Event(std::uint32_t tick, std::string bytes) {
    // Stable insertion keeps same-tick events in the order they were added.
    const auto at = std::upper_bound(events_.begin(), events_.end(), tick,
                                     [](std::uint32_t t, const Timed& event) { return t < event.tick; });
    events_.insert(at, Timed{tick, std::move(bytes)});
    return *this;
}

SmfTrack& SmfTrack::NoteOn(std::uint32_t tick, int channel, int key, int velocity) {
    return Event(tick, testing::Bytes({0x90 | channel, key, velocity}));
}

SmfTrack& SmfTrack::NoteOff(std::uint32_t tick, int channel, int key) {
    return Event(tick, testing::Bytes({0x80 | channel, key, 0}));
}

SmfTrack& SmfTrack::Note(std::uint32_t tick, std::uint32_t length, int channel, int key, int velocity) {
    NoteOn(tick, channel, key, velocity);
    return NoteOff(tick + length, channel, key);
}

SmfTrack& SmfTrack::ProgramChange(std::uint32_t tick, int channel, int program) {
    return Event(tick, testing::Bytes({0xC0 | channel, program}));
}

SmfTrack& SmfTrack::ControlChange(std::uint32_t tick, int channel, int controller, int value) {
    return Event(tick, testing::Bytes({0xB0 | channel, controller, value}));
}

SmfTrack& SmfTrack::Tempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter) {
    return Meta(tick, 0x51, BigEndian(microsecondsPerQuarter, 3));
}

SmfTrack& SmfTrack::Meta(std::uint32_t tick, int type, std::string_view data) {
    return Event(tick, testing::Bytes({0xFF, type}) + VarLen(static_cast<std::uint32_t>(data.size())) +
                           std::string(data));
}

SmfTrack& SmfTrack::Text(std::uint32_t tick, std::string_view text) {
    return Meta(tick, 0x01, text);
}

SmfTrack& SmfTrack::TrackName(std::uint32_t tick, std::string_view name) {
    return Meta(tick, 0x03, name);
}

SmfTrack& SmfTrack::SysEx(std::uint32_t tick, std::string_view message) {
    if (message.empty() || static_cast<unsigned char>(message.front()) != 0xF0) {
        throw std::invalid_argument("a system-exclusive message starts with F0");
    }
    const auto body = message.substr(1);
    return Event(
        tick, std::string(1, '\xF0') + VarLen(static_cast<std::uint32_t>(body.size())) + std::string(body));
}

SmfTrack& SmfTrack::DividedSysEx(std::uint32_t tick, std::string_view message, std::size_t firstLength,
                                 std::uint32_t restTick) {
    if (message.empty() || static_cast<unsigned char>(message.front()) != 0xF0 ||
        firstLength + 1 > message.size()) {
        throw std::invalid_argument("a divided system-exclusive message starts with F0 and has a rest");
    }
    const auto first = message.substr(1, firstLength);
    const auto rest = message.substr(1 + firstLength);
    Event(tick,
          std::string(1, '\xF0') + VarLen(static_cast<std::uint32_t>(first.size())) + std::string(first));
    return Event(restTick, std::string(1, '\xF7') + VarLen(static_cast<std::uint32_t>(rest.size())) +
                               std::string(rest));
}

SmfTrack& SmfTrack::EndAt(std::uint32_t tick) {
    endTick_ = tick;
    return *this;
}

SmfTrack& SmfTrack::WithoutEndOfTrack() {
    endOfTrack_ = false;
    return *this;
}

SmfTrack& SmfTrack::DeclaredLengthOff(int difference) {
    lengthOff_ = difference;
    return *this;
}

std::string SmfTrack::Chunk() const {
    std::string data;
    std::uint32_t tick = 0;
    for (const auto& event : events_) {
        data += VarLen(event.tick - tick) + event.bytes;
        tick = event.tick;
    }
    if (endOfTrack_)
        data += VarLen(std::max(endTick_, tick) - tick) + testing::Bytes({0xFF, 0x2F, 0x00});
    const auto declared = static_cast<std::int64_t>(data.size()) + lengthOff_;
    if (declared < 0)
        throw std::invalid_argument("a track length below 0");
    return "MTrk" + BigEndian(static_cast<std::uint32_t>(declared), 4) + data;
}

SmfTrack& SmfWriter::AddTrack() {
    parts_.push_back({tracks_.size(), {}});
    return tracks_.emplace_back();
}

SmfWriter& SmfWriter::AddChunk(std::string_view type, std::string_view data) {
    if (type.size() != 4)
        throw std::invalid_argument("a chunk type has four characters");
    parts_.push_back(
        {0, std::string(type) + BigEndian(static_cast<std::uint32_t>(data.size()), 4) + std::string(data)});
    return *this;
}

SmfWriter& SmfWriter::HeaderLength(int length) {
    headerLength_ = length;
    return *this;
}

SmfWriter& SmfWriter::DeclaredTracks(int count) {
    declaredTracks_ = count;
    return *this;
}

std::string SmfWriter::Bytes() const {
    const auto trackCount = declaredTracks_ >= 0 ? static_cast<std::size_t>(declaredTracks_) : tracks_.size();
    std::string bytes = "MThd" + BigEndian(static_cast<std::uint32_t>(headerLength_), 4) +
                        BigEndian(static_cast<std::uint32_t>(format_), 2) +
                        BigEndian(static_cast<std::uint32_t>(trackCount), 2) +
                        BigEndian(static_cast<std::uint32_t>(division_), 2);
    if (headerLength_ > 6)
        bytes.append(static_cast<std::size_t>(headerLength_ - 6), '\0');
    for (const auto& part : parts_) bytes += part.chunk.empty() ? tracks_[part.track].Chunk() : part.chunk;
    return bytes;
}

int SmpteDivision(int framesPerSecond, int ticksPerFrame) {
    return ((-framesPerSecond & 0xFF) << 8) | (ticksPerFrame & 0xFF);
}

std::string WithMacBinaryHeader(std::string_view smf, std::string_view macName) {
    std::string header(128, '\0');
    const auto nameLength = std::min<std::size_t>(macName.size(), 63);
    header[1] = static_cast<char>(nameLength);
    header.replace(2, nameLength, macName.substr(0, nameLength));
    header.replace(65, 8,
                   "Midi"
                   "TVOD");
    header.replace(83, 4, BigEndian(static_cast<std::uint32_t>(smf.size()), 4));
    return header + std::string(smf);
}

std::string Truncated(std::string_view smf, std::size_t length) {
    return std::string(smf.substr(0, length));
}

std::string Patched(std::string_view smf, std::size_t offset, std::string_view bytes) {
    std::string patched(smf);
    if (offset + bytes.size() > patched.size())
        throw std::out_of_range("patch beyond the end of the file");
    patched.replace(offset, bytes.size(), bytes);
    return patched;
}

}  // namespace korva::testing
