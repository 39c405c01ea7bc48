#include "platform/SmfScan.h"

#include <algorithm>
#include <array>
#include <limits>

namespace korva {
namespace {

std::uint32_t BigEndian(std::string_view bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Reads one track chunk's events. limit is where the reading must stop: the chunk's end, or the
// file's end when the chunk claims more bytes than the file has.
class TrackReader {
  public:
    TrackReader(std::string_view bytes, std::size_t pos, std::size_t limit)
        : bytes_(bytes), pos_(pos), limit_(limit) {}

    // Returns false and fills the scan's problem when the track cannot be read.
    bool Read(SmfScan& scan) {
        std::uint8_t runningStatus = 0;
        while (pos_ < limit_ && !endOfTrack_) {
            std::uint32_t delta = 0;
            if (!ReadVarLen(scan, delta))
                return false;
            tick_ += delta;
            if (tick_ > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
                return Fail(scan, SmfProblem::Corrupt, "song longer than 2^31 ticks");
            }
            if (!Need(scan, 1))
                return false;
            auto status = Byte(pos_);
            if (status < 0x80) {
                if (runningStatus == 0)
                    return Fail(scan, SmfProblem::Corrupt, "data byte without a status");
                status = runningStatus;
            } else {
                ++pos_;
            }
            bool ok = false;
            if (status == 0xFF) {
                runningStatus = 0;
                ok = ReadMeta(scan);
            } else if (status == 0xF0) {
                runningStatus = 0;
                std::uint32_t length = 0;
                ok = ReadVarLen(scan, length) && Skip(scan, length);
            } else if (status > 0xF0) {
                return Fail(scan, SmfProblem::Unsupported, "escaped or system event");
            } else {
                runningStatus = status;
                ok = ReadChannelData(scan, status);
            }
            if (!ok)
                return false;
        }
        return true;
    }

    bool FoundEndOfTrack() const { return endOfTrack_; }
    std::uint64_t LastTick() const { return tick_; }

  private:
    std::uint8_t Byte(std::size_t at) const { return static_cast<std::uint8_t>(bytes_[at]); }

    bool Fail(SmfScan& scan, SmfProblem problem, const char* detail) {
        scan.problem = problem;
        scan.offset = pos_;
        scan.detail = detail;
        return false;
    }

    // Running past the file's end is a truncation; past the chunk's end inside the file, corruption.
    bool Need(SmfScan& scan, std::uint64_t count) {
        if (pos_ + count <= limit_)
            return true;
        if (limit_ >= bytes_.size())
            return Fail(scan, SmfProblem::Truncated, "file ends inside an event");
        return Fail(scan, SmfProblem::Corrupt, "event runs past the end of its track");
    }

    bool Skip(SmfScan& scan, std::uint64_t count) {
        if (!Need(scan, count))
            return false;
        pos_ += count;
        return true;
    }

    bool ReadVarLen(SmfScan& scan, std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (!Need(scan, 1))
                return false;
            const auto byte = Byte(pos_++);
            value = (value << 7) | (byte & 0x7F);
            if ((byte & 0x80) == 0)
                return true;
        }
        return Fail(scan, SmfProblem::Corrupt, "variable-length number longer than 4 bytes");
    }

    bool ReadMeta(SmfScan& scan) {
        if (!Need(scan, 1))
            return false;
        const auto type = Byte(pos_++);
        std::uint32_t length = 0;
        if (!ReadVarLen(scan, length))
            return false;
        // The player refuses these meta events when their length is not the standard one.
        constexpr std::array<std::pair<std::uint8_t, std::uint32_t>, 5> fixedLengths{
            {{0x2F, 0}, {0x51, 3}, {0x54, 5}, {0x58, 4}, {0x59, 2}}};
        for (const auto& [fixedType, fixedLength] : fixedLengths) {
            if (type == fixedType && length != fixedLength) {
                return Fail(scan, SmfProblem::Corrupt, "meta event of the wrong length");
            }
        }
        if (!Skip(scan, length))
            return false;
        if (type == 0x2F)
            endOfTrack_ = true;
        return true;
    }

    bool ReadChannelData(SmfScan& scan, std::uint8_t status) {
        const auto kind = status & 0xF0;
        const int count = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        if (!Need(scan, count))
            return false;
        for (int i = 0; i < count; ++i) {
            if (Byte(pos_) >= 0x80)
                return Fail(scan, SmfProblem::Corrupt, "status byte inside a message");
            ++pos_;
        }
        return true;
    }

    std::string_view bytes_;
    std::size_t pos_;
    std::size_t limit_;
    std::uint64_t tick_ = 0;
    bool endOfTrack_ = false;
};

SmfScan Problem(SmfProblem problem, std::size_t offset, const char* detail) {
    SmfScan scan;
    scan.problem = problem;
    scan.offset = offset;
    scan.detail = detail;
    return scan;
}

}  // namespace

SmfScan ScanSmf(std::string_view bytes) {
    if (bytes.size() < 4 || bytes.substr(0, 4) != "MThd")
        return Problem(SmfProblem::NoHeader, 0, "no MThd");
    if (bytes.size() < 14)
        return Problem(SmfProblem::Truncated, bytes.size(), "file ends inside the header");
    if (BigEndian(bytes, 4, 4) != 6)
        return Problem(SmfProblem::Corrupt, 4, "header length is not 6");

    SmfScan scan;
    scan.format = static_cast<int>(BigEndian(bytes, 8, 2));
    scan.tracks = static_cast<int>(BigEndian(bytes, 10, 2));
    const auto division = BigEndian(bytes, 12, 2);
    if (scan.format > 2)
        return Problem(SmfProblem::Unsupported, 8, "format above 2");
    if (scan.tracks == 0)
        return Problem(SmfProblem::Corrupt, 10, "no tracks");
    if (scan.tracks > kMaxSmfTracks)
        return Problem(SmfProblem::Unsupported, 10, "more than 128 tracks");
    if (division & 0x8000)
        return Problem(SmfProblem::Unsupported, 12, "SMPTE time division");
    if (division == 0)
        return Problem(SmfProblem::Corrupt, 12, "time division 0");
    scan.division = static_cast<int>(division);

    std::size_t pos = 14;
    std::uint64_t lastTick = 0;
    for (int track = 0; track < scan.tracks; ++track) {
        if (bytes.size() < pos + 8)
            return Problem(SmfProblem::Truncated, pos, "file ends before a track");
        const auto id = bytes.substr(pos, 4);
        if (id != "MTrk") {
            const bool text = std::all_of(id.begin(), id.end(), [](char c) { return (c & 0x80) == 0; });
            // The player cannot step over a foreign chunk that comes before the last track.
            return Problem(text ? SmfProblem::Unsupported : SmfProblem::Corrupt, pos,
                           text ? "foreign chunk among the tracks" : "chunk name is not text");
        }
        const std::uint64_t start = pos + 8;
        const std::uint64_t declaredEnd = start + BigEndian(bytes, pos + 4, 4);
        const bool lastChunk = track == scan.tracks - 1;
        if (declaredEnd > bytes.size() && !lastChunk) {
            return Problem(SmfProblem::Truncated, bytes.size(), "file ends inside a track");
        }
        TrackReader reader(bytes, start, std::min<std::uint64_t>(declaredEnd, bytes.size()));
        if (!reader.Read(scan))
            return scan;
        // The last track may claim more bytes than the file has, as long as it ends properly.
        if (declaredEnd > bytes.size() && !reader.FoundEndOfTrack()) {
            return Problem(SmfProblem::Truncated, bytes.size(), "file ends inside a track");
        }
        lastTick = std::max(lastTick, reader.LastTick());
        pos = declaredEnd;
    }
    scan.lastTick = static_cast<std::uint32_t>(lastTick);
    return scan;
}

bool IsModuleReset(std::string_view data) {
    if (!data.empty() && static_cast<unsigned char>(data.back()) == 0xF7)
        data.remove_suffix(1);
    auto matches = [&data](std::string_view pattern) {
        if (data.size() != pattern.size())
            return false;
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (i != 1 && data[i] != pattern[i])
                return false;  // byte 1 is the device number
        }
        return true;
    };
    using namespace std::string_view_literals;
    return matches("\x7E\x7F\x09\x01"sv)                          // GM System On
           || matches("\x41\x10\x42\x12\x40\x00\x7F\x00\x41"sv)   // GS reset
           || matches("\x41\x10\x42\x12\x00\x00\x7F\x00\x01"sv)   // SC-88 mode set: single module
           || matches("\x41\x10\x42\x12\x00\x00\x7F\x01\x00"sv);  // SC-88 mode set: double module
}

}  // namespace korva
