#include "app/LineList.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>

namespace korva {

namespace {

constexpr std::size_t kHugePage = std::size_t{1} << 21;

// A list that grows line by line gets blocks twice as large each time, up to this size.
constexpr std::size_t kFirstBlock = 256;
constexpr std::size_t kLargestGrowth = std::size_t{1} << 23;

bool Within(std::string_view text, const TextBlock& block) {
    // Compared as addresses in one total order: the text may lie in another block altogether.
    const std::less_equal<const char*> notAfter;
    return notAfter(block.data(), text.data()) &&
           notAfter(text.data() + text.size(), block.data() + block.size());
}

}  // namespace

TextBlock::TextBlock(std::size_t capacity, Filling filling) : capacity_(capacity) {
    if (filling == Filling::Whole && capacity >= kHugePage) {
        // Mapped with room to start on a huge-page boundary; what lies outside the block is given
        // back at once, and the block's last part, short of a huge page, keeps small pages.
        const auto pageSize = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        const std::size_t length = (capacity + pageSize - 1) / pageSize * pageSize;
        void* area =
            ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (area != MAP_FAILED) {
            const std::size_t head =
                (kHugePage - reinterpret_cast<std::uintptr_t>(area) % kHugePage) % kHugePage;
            if (head != 0)
                ::munmap(area, head);
            ::munmap(static_cast<char*>(area) + head + length, kHugePage - head);
            bytes_ = static_cast<char*>(area) + head;
            mapped_ = length;
#ifdef MADV_HUGEPAGE
            ::madvise(bytes_, length / kHugePage * kHugePage, MADV_HUGEPAGE);
#endif
            return;
        }
    }
    bytes_ = static_cast<char*>(::operator new(std::max<std::size_t>(capacity, 1)));
}

TextBlock::~TextBlock() {
    if (mapped_ != 0)
        ::munmap(bytes_, mapped_);
    else
        ::operator delete(bytes_);
}

void TextBlock::Append(std::string_view text) {
    if (!text.empty())
        std::memcpy(bytes_ + size_, text.data(), text.size());
    size_ += text.size();
}

LineList::LineList(std::initializer_list<std::string_view> lines) {
    std::size_t bytes = 0;
    for (const std::string_view line : lines) bytes += line.size();
    ReserveText(bytes);
    lines_.reserve(lines.size());
    for (const std::string_view line : lines) lines_.push_back(Store(line));
}

LineList::LineList(const std::vector<std::string>& lines) {
    std::size_t bytes = 0;
    for (const std::string& line : lines) bytes += line.size();
    ReserveText(bytes);
    lines_.reserve(lines.size());
    for (const std::string& line : lines) lines_.push_back(Store(line));
}

LineList::LineList(const LineList& other) : lines_(other.lines_), blocks_(other.blocks_) {}

LineList& LineList::operator=(const LineList& other) {
    if (this != &other) {
        lines_ = other.lines_;
        blocks_ = other.blocks_;
        tail_.reset();
    }
    return *this;
}

void LineList::clear() {
    lines_.clear();
    blocks_.clear();
    tail_.reset();
}

void LineList::ReserveText(std::size_t bytes) {
    if (tail_ && tail_->room() >= bytes)
        return;
    NewBlock(bytes, TextBlock::Filling::Whole);
}

void LineList::NewBlock(std::size_t capacity, TextBlock::Filling filling) {
    auto block = std::make_shared<TextBlock>(capacity, filling);
    tail_ = block;
    blocks_.push_back(std::move(block));
}

void LineList::MakeRoom(std::size_t bytes) {
    if (!tail_ || tail_->room() < bytes)
        NewBlock(std::max(bytes, tail_ ? std::min(2 * tail_->capacity(), kLargestGrowth) : kFirstBlock));
}

std::string_view LineList::Store(std::string_view text) {
    if (text.empty())
        return {};
    // A new block leaves the one the text may lie in as it is.
    return StoreJoined({text});
}

std::string_view LineList::StoreJoined(std::initializer_list<std::string_view> pieces) {
    std::size_t bytes = 0;
    for (const std::string_view piece : pieces) bytes += piece.size();
    if (bytes == 0)
        return {};
    MakeRoom(bytes);
    const char* const start = tail_->end();
    for (const std::string_view piece : pieces) tail_->Append(piece);
    return std::string_view(start, bytes);
}

void LineList::push_back(std::string_view line) {
    const std::string_view stored = Store(line);
    lines_.push_back(stored);
}

LineList::const_iterator LineList::insert(const_iterator place, std::string_view line) {
    const auto index = place - lines_.cbegin();
    const std::string_view stored = Store(line);
    return lines_.insert(lines_.cbegin() + index, stored);
}

void LineList::Set(std::size_t index, std::string_view line) {
    lines_[index] = Store(line);
}

LineList::const_iterator LineList::erase(const_iterator place) {
    return lines_.erase(place);
}

LineList::const_iterator LineList::erase(const_iterator first, const_iterator last) {
    return lines_.erase(first, last);
}

void LineList::Append(const LineList& other) {
    if (&other == this) {
        lines_.reserve(2 * lines_.size());
        lines_.insert(lines_.end(), lines_.begin(), lines_.end());
        return;
    }
    HoldBlocksOf(other);
    lines_.insert(lines_.end(), other.lines_.begin(), other.lines_.end());
}

void LineList::Hold(std::shared_ptr<const TextBlock> block) {
    if (block)
        HoldOnce(block);
}

void LineList::HoldBlocksOf(const LineList& other) {
    if (&other == this)
        return;
    for (const auto& block : other.blocks_) HoldOnce(block);
}

void LineList::HoldOnce(const std::shared_ptr<const TextBlock>& block) {
    if (std::find(blocks_.begin(), blocks_.end(), block) == blocks_.end())
        blocks_.push_back(block);
}

bool LineList::HoldsText(std::string_view text) const {
    if (text.empty())
        return true;
    return std::any_of(blocks_.begin(), blocks_.end(),
                       [text](const auto& block) { return Within(text, *block); });
}

std::vector<std::string> LineList::ToStrings() const {
    return std::vector<std::string>(lines_.begin(), lines_.end());
}

bool operator==(const LineList& a, const std::vector<std::string>& b) {
    return std::equal(a.lines_.begin(), a.lines_.end(), b.begin(), b.end());
}

}  // namespace korva
